#include "widgets/KitSysIn.h"

#include "platform/gui/Forms.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/System.h"
#include "platform/rtl/SystemInfo.h"
#include "platform/rtl/VersionResources.h"

#include <array>
#include <vector>


namespace {

constexpr uint32_t WS_BORDER = 0x00800000;
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_THICKFRAME = 0x00040000;
constexpr uint32_t WS_SYSMENU = 0x00080000;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;
constexpr uint32_t WS_EX_DLGMODALFRAME = 0x00000001;
constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080;
constexpr uint32_t WS_EX_CONTEXTHELP = 0x00000400;

std::optional<TKitSystemFacts>& SetFacts()
{
    static std::optional<TKitSystemFacts> facts;
    return facts;
}

// The processor type numbers the platform's system information reports.
int ProcessorTypeOf(const std::string& architecture)
{
    if (architecture == "i386") {
        return 386;
    }
    if (architecture == "i486") {
        return 486;
    }
    if (architecture == "i586" || architecture == "i686") {
        return 586;
    }
    if (architecture == "x86_64") {
        return 8664;
    }
    return 0;
}

// The extended record over the layer's basic one: a workstation without service pack.
std::optional<TKitVersionRecord> SystemVersionRecord()
{
    TOSVersionInfo basic;
    if (!GetVersionEx(basic)) {
        return std::nullopt;
    }
    TKitVersionRecord record;
    record.MajorVersion = basic.dwMajorVersion;
    record.MinorVersion = basic.dwMinorVersion;
    record.BuildNumber = basic.dwBuildNumber;
    record.PlatformId = basic.dwPlatformId;
    record.ProductType = 1;
    return record;
}

std::string JoinWords(uint32_t value)
{
    return IntToStr(value >> 16) + "." + IntToStr(value & 0xFFFF);
}

}  // namespace

TKitSystemFacts KitReadSystemFacts()
{
    TKitSystemFacts facts;
    if (const int depth = Screen->Depth(); depth > 0) {
        facts.ColorDepth = depth;
    }
    facts.Version = SystemVersionRecord();
    const TMemoryStatus memory = GetMemoryStatus();
    facts.TotalMemory = memory.TotalPhysical;
    facts.AvailableMemory = memory.AvailablePhysical;
    facts.ProcessorCount = GetProcessorCount();
    facts.ProcessorType = ProcessorTypeOf(GetMachineArchitecture());
    facts.UserName = GetUserName();
    if (!GetFileVersionInfo(ApplicationExeName(), facts.VersionData)) {
        facts.VersionData.clear();
    }
    return facts;
}

const TKitSystemFacts& KitSystemFacts()
{
    if (SetFacts()) {
        return *SetFacts();
    }
    static const TKitSystemFacts real = KitReadSystemFacts();
    return real;
}

void KitSetSystemFacts(std::optional<TKitSystemFacts> facts)
{
    SetFacts() = std::move(facts);
}

TKitPlatformFlags KitSysPlatformFlags()
{
    const TKitSystemFacts& facts = KitSystemFacts();
    TKitPlatformFlags flags;
    if (!facts.Version) {
        return flags;
    }
    const TKitVersionRecord& v = *facts.Version;
    if (v.PlatformId == 1) {
        flags.Win98 = v.MinorVersion > 9;
        flags.WinME = v.MajorVersion >= 4 && v.MinorVersion >= 90;
        flags.ExtensionsPresent = facts.ExtensionsPresent;
    } else if (v.PlatformId == 2) {
        const bool server = v.ProductType != 1;
        if (v.MajorVersion == 5 && v.MinorVersion == 0) {
            flags.Win2000 = true;
            flags.Win2000Server = server;
        } else if (v.MajorVersion == 5) {
            constexpr uint32_t suitePersonal = 0x200;
            flags.WinXP = true;
            flags.WinXPServer = server;
            flags.WinXPHome = (v.SuiteMask & suitePersonal) != 0;
            flags.MediaCenter = facts.MediaCenter;
            flags.TabletPC = facts.TabletPC;
        }
        flags.NewerSystem = v.MajorVersion > 5;
    }
    return flags;
}

bool KitSysIsNT()
{
    const TKitSystemFacts& facts = KitSystemFacts();
    return facts.Version && facts.Version->PlatformId == 2;
}

uint8_t KitSysColorDepth()
{
    return static_cast<uint8_t>(KitSystemFacts().ColorDepth & 0xFF);
}

uint32_t KitSysVersionField(int index)
{
    const auto& version = KitSystemFacts().Version;
    if (!version) {
        return 0;
    }
    const std::array<uint32_t, 8> fields = {version->MajorVersion,     version->MinorVersion,     version->BuildNumber,
                                            version->PlatformId,       version->ServicePackMajor, version->ServicePackMinor,
                                            version->SuiteMask,        version->ProductType};
    return index >= 0 && index < 8 ? fields[static_cast<size_t>(index)] : 0;
}

uint32_t KitSysMajorVersion()
{
    return KitSysVersionField(0);
}

uint32_t KitSysMinorVersion()
{
    return KitSysVersionField(1);
}

uint64_t KitSysTotalMemory()
{
    return KitSystemFacts().TotalMemory;
}

uint64_t KitSysAvailableMemory()
{
    return KitSystemFacts().AvailableMemory;
}

uint8_t KitSysProcessorCount()
{
    return static_cast<uint8_t>(KitSystemFacts().ProcessorCount & 0xFF);
}

std::string KitSysProcessorName()
{
    return KitSysProcessorName(KitSystemFacts().ProcessorType);
}

std::string KitSysProcessorName(int processorType)
{
    switch (processorType) {
    case 386:
        return "Intel 386";
    case 486:
        return "Intel 486";
    case 586:
        return "Intel Pentium";
    case 2000:
    case 3000:
    case 4000:
        return "Mips R" + IntToStr(processorType);
    case 21064:
        return "Alpha 21064";
    default:
        return IntToStr(processorType);
    }
}

int KitSysFreeResources()
{
    const TKitSystemFacts& facts = KitSystemFacts();
    if (!facts.Version || facts.Version->PlatformId != 1) {
        return 0;
    }
    return facts.FreeResources.value_or(0);
}

std::string KitSysUserName()
{
    const std::string& name = KitSystemFacts().UserName;
    return name.empty() ? "(Unknown)" : name;
}

std::string KitSysVersionInfo(TKitVersionInfoKind kind)
{
    const std::string& data = KitSystemFacts().VersionData;
    if (data.empty()) {
        return {};
    }
    switch (kind) {
    case TKitVersionInfoKind::FileVersionShort:
    case TKitVersionInfoKind::FileVersionFull:
    case TKitVersionInfoKind::FileVersionBuild: {
        TVSFixedFileInfo fixed;
        if (!VerQueryFixedFileInfo(data, fixed)) {
            return {};
        }
        if (kind == TKitVersionInfoKind::FileVersionShort) {
            return JoinWords(fixed.dwFileVersionMS);
        }
        if (kind == TKitVersionInfoKind::FileVersionFull) {
            return JoinWords(fixed.dwFileVersionMS) + "." + JoinWords(fixed.dwFileVersionLS);
        }
        return JoinWords(fixed.dwFileVersionMS) + " (Build " + JoinWords(fixed.dwFileVersionLS) + ")";
    }
    default:
        break;
    }
    static constexpr const char* names[] = {"CompanyName",     "ProductName",     "ProductVersion", "LegalCopyright",
                                            "LegalTradeMarks", "FileDescription", "Comments"};
    std::string block = "\\\\StringFileInfo\\\\040904E4\\\\";
    const std::vector<uint32_t> translations = VerQueryTranslations(data);
    if (!translations.empty()) {
        const uint32_t first = translations.front();
        block = "\\\\StringFileInfo\\\\" + IntToHex(first & 0xFFFF, 4) + IntToHex(first >> 16, 4) + "\\\\";
    }
    std::string value;
    return VerQueryValue(data, block + names[static_cast<int>(kind)], value) ? value : std::string();
}

void KitGetCaptionRects(const TKitCaptionWindow& window, TRect& captionRect, TRect& textRect, unsigned& flags)
{
    const TKitCaptionMetrics& m = KitSystemFacts().Metrics;
    const bool newStyle = m.NewStyleControls;
    const int bx = m.BorderWidth;
    const int by = m.BorderHeight;
    flags &= kitCaptionEndAtText | kitCaptionExcludeIcon | kitCaptionToolBorder;

    // 1. The caption band across the window.
    captionRect = {0, 0, window.Width, m.CaptionHeight};
    const bool small = (window.ExStyle & WS_EX_TOOLWINDOW) != 0 && newStyle;
    if (small) {
        captionRect.Bottom = m.SmallCaptionHeight;
        flags |= kitCaptionSmall;
    }

    // 2. Inside the frame: the band moves down by the frame and loses a border at its foot.
    const bool sizing = (window.Style & WS_THICKFRAME) != 0;
    const bool dialog = !sizing && (window.ExStyle & WS_EX_DLGMODALFRAME) != 0;
    const int frameX = sizing ? m.FrameWidth : dialog ? m.DialogFrameWidth : 3 * bx;
    const int frameY = sizing ? m.FrameHeight : dialog ? m.DialogFrameHeight : 3 * by;
    captionRect.Left += frameX;
    captionRect.Right -= frameX;
    captionRect.Top += frameY;
    captionRect.Bottom += frameY - by;
    if (!newStyle && (sizing || dialog)) {
        captionRect.Bottom -= by;
    }

    // 3. The text: what the buttons and the icon leave of the band.
    textRect = captionRect;
    if (window.Visible) {
        const int buttonWidth = small ? m.SmallButtonWidth : m.ButtonWidth;
        if ((window.Style & WS_SYSMENU) != 0) {
            if (!newStyle) {
                textRect.Right -= 2 * bx;
            } else if (!window.Iconic) {
                textRect.Right -= buttonWidth + 3 * bx;
            }
            const bool oldStyleIcon = !newStyle && (((window.Style & WS_POPUP) != 0 && (window.Style & WS_BORDER) != 0) ||
                                                    (window.ExStyle & WS_EX_TOOLWINDOW) != 0);
            if ((sizing && !small) || (flags & kitCaptionToolBorder) != 0 || oldStyleIcon) {
                flags |= kitCaptionHasIcon;
                textRect.Left += m.SmallIconWidth + m.FrameWidth;
                if (window.Iconic) {
                    flags |= kitCaptionIconic;
                } else {
                    textRect.Left += bx;
                }
            }
            const bool minimize = (window.Style & WS_MINIMIZEBOX) != 0;
            const bool maximize = (window.Style & WS_MAXIMIZEBOX) != 0;
            if (newStyle && (minimize || maximize)) {
                textRect.Right -= 2 * buttonWidth;
            } else if (!newStyle) {
                textRect.Right -= (minimize ? buttonWidth : 0) + (maximize ? buttonWidth : 0);
            }
            if ((window.ExStyle & WS_EX_CONTEXTHELP) != 0) {
                textRect.Right -= buttonWidth + bx;
            }
            if (!newStyle && (window.ExStyle & WS_EX_TOOLWINDOW) != 0) {
                textRect.Left += 4 * bx;
                textRect.Top += 3 * by;
            }
        } else {
            textRect.Left += 2 * bx;
        }
        if (textRect.Left == captionRect.Left) {
            textRect.Left += 2 * bx;
        }
    }

    // 4. Results.
    if ((flags & kitCaptionIconic) != 0) {
        captionRect.Bottom -= by;
    }
    textRect.Bottom = captionRect.Bottom;
    if ((flags & kitCaptionEndAtText) != 0) {
        captionRect.Right = textRect.Right;
    }
    if ((flags & kitCaptionHasIcon) != 0 && ((flags & kitCaptionExcludeIcon) != 0 || !newStyle)) {
        captionRect.Left = textRect.Left;
        textRect.Left += 2 * bx;
    }
}
