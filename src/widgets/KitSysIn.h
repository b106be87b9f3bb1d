#pragma once
// Questions about the running system for the about box, the drawing routines and the form
// styler: colour depth, the platform's version record, memory, processors, free resources, the
// user, the program's version resource and where a window's caption lies.
//
// Every answer comes from one set of facts. The real facts are gathered once from the system:
// the version record is the layer's (an NT-family record, see GetVersionEx), the version
// resource is the version block the program file carries. Tests set facts of their own.

#include "platform/gui/Canvas.h"

#include <cstdint>
#include <optional>
#include <string>

// The extended version record, field by field (KitSysVersionField indexes them 0..7).
struct TKitVersionRecord {
    uint32_t MajorVersion = 0;
    uint32_t MinorVersion = 0;
    uint32_t BuildNumber = 0;
    uint32_t PlatformId = 0;  // 1 Windows 9x family, 2 NT family
    uint32_t ServicePackMajor = 0;
    uint32_t ServicePackMinor = 0;
    uint32_t SuiteMask = 0;
    uint32_t ProductType = 0;  // 1 workstation, 2 domain controller, 3 server
};

// The system metrics the caption geometry uses, in pixels.
struct TKitCaptionMetrics {
    int CaptionHeight = 19;
    int SmallCaptionHeight = 15;
    int FrameWidth = 4;
    int FrameHeight = 4;
    int DialogFrameWidth = 3;
    int DialogFrameHeight = 3;
    int BorderWidth = 1;
    int BorderHeight = 1;
    int ButtonWidth = 18;
    int SmallButtonWidth = 12;
    int SmallIconWidth = 16;
    bool NewStyleControls = true;
};

struct TKitSystemFacts {
    int ColorDepth = 24;                       // planes x bits per pixel of the display
    std::optional<TKitVersionRecord> Version;  // none: the version call failed
    bool ExtensionsPresent = false;            // 9x family only
    bool MediaCenter = false;
    bool TabletPC = false;
    uint64_t TotalMemory = 0;  // bytes
    uint64_t AvailableMemory = 0;
    int ProcessorCount = 1;
    int ProcessorType = 0;              // 386, 486, 586, 8664, ...
    std::optional<int> FreeResources;   // 9x family: percent; none when it cannot be asked
    std::string UserName;               // empty: the user's name is unknown
    std::string VersionData;            // the program's version block; empty: it has none
    TKitCaptionMetrics Metrics;
};

// The facts in use: those set, else the real ones.
const TKitSystemFacts& KitSystemFacts();
// Replaces the facts; nothing returns to the real ones.
void KitSetSystemFacts(std::optional<TKitSystemFacts> facts);
// The facts of the running system (read each time it is called).
TKitSystemFacts KitReadSystemFacts();

struct TKitPlatformFlags {
    bool Win98 = false;
    bool WinME = false;
    bool ExtensionsPresent = false;
    bool Win2000 = false;
    bool Win2000Server = false;
    bool WinXP = false;
    bool WinXPServer = false;
    bool WinXPHome = false;
    bool MediaCenter = false;
    bool TabletPC = false;
    bool NewerSystem = false;
};
TKitPlatformFlags KitSysPlatformFlags();
// The version record's platform is the NT family.
bool KitSysIsNT();

uint8_t KitSysColorDepth();
// Field 0..7 of the version record; 0 when there is none or the index is outside.
uint32_t KitSysVersionField(int index);
uint32_t KitSysMajorVersion();
uint32_t KitSysMinorVersion();
uint64_t KitSysTotalMemory();
uint64_t KitSysAvailableMemory();
uint8_t KitSysProcessorCount();
// "Intel 386", "Intel 486", "Intel Pentium", "Mips R4000", "Alpha 21064", else the number.
std::string KitSysProcessorName();
std::string KitSysProcessorName(int processorType);
// Free system resources in percent: 0 on the NT family, else the facts' answer (0 when none).
int KitSysFreeResources();
// The user's name, or "(Unknown)".
std::string KitSysUserName();

enum class TKitVersionInfoKind {
    CompanyName, ProductName, ProductVersion, LegalCopyright, LegalTradeMarks, FileDescription, Comments,
    FileVersionShort,  // "1.2"
    FileVersionFull,   // "1.2.3.4"
    FileVersionBuild,  // "1.2 (Build 3.4)"
};
// An entry of the program's version resource, read from the string table of its first
// translation ("040904E4" without one); the empty text when it is missing.
std::string KitSysVersionInfo(TKitVersionInfoKind kind);

// A window as the caption geometry sees it: its width and window style bits.
struct TKitCaptionWindow {
    int Width = 0;
    uint32_t Style = 0;
    uint32_t ExStyle = 0;
    bool Visible = true;
    bool Iconic = false;
};

// Flag bits of KitGetCaptionRects. The caller asks with 1, 2 and 32; the routine reports
// 4, 8 and 16.
constexpr unsigned kitCaptionEndAtText = 1;    // the caption ends where the text ends
constexpr unsigned kitCaptionExcludeIcon = 2;  // the caption starts after the icon area
constexpr unsigned kitCaptionSmall = 4;        // a tool window's small caption
constexpr unsigned kitCaptionHasIcon = 8;      // a system icon is drawn
constexpr unsigned kitCaptionIconic = 16;      // minimised with an icon
constexpr unsigned kitCaptionToolBorder = 32;  // a tool-window border: reserve the icon area

// Where the window's caption and its text lie, in window coordinates.
void KitGetCaptionRects(const TKitCaptionWindow& window, TRect& captionRect, TRect& textRect, unsigned& flags);
