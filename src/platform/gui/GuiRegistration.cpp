#include "platform/gui/GuiRegistration.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/CheckLst.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/FileCtrl.h"
#include "platform/gui/Forms.h"
#include "platform/gui/ImgList.h"
#include "platform/gui/Menus.h"
#include "platform/gui/ProgressBar.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Exceptions.h"

#include <QBuffer>

#include <optional>

namespace {

// A picture as a form description stores it: PNG bytes; nothing for an empty picture.
std::optional<std::string> PictureData(const QImage& image)
{
    if (image.isNull()) {
        return std::nullopt;
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

void RegisterEnumerations()
{
    RegisterEnum<TAlign>("TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
    RegisterEnum<TAnchorKind>("TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
    RegisterEnum<TCursor>("TCursor", {"crDefault", "crArrow", "crHourGlass", "crHandPoint", "crIBeam", "crSizeWE", "crSizeNS"});
    RegisterEnum<TAlignment>("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
    RegisterEnum<TFontStyle>("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    RegisterEnum<TFontPitch>("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});
    RegisterEnum<TTextLayout>("TTextLayout", {"tlTop", "tlCenter", "tlBottom"});
    RegisterEnum<TScrollStyle>("TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
    RegisterEnum<TEditCharCase>("TEditCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"});
    RegisterEnum<TCheckBoxState>("TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"});
    RegisterEnum<TComboBoxStyle>("TComboBoxStyle", {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"});
    RegisterEnum<TPosition>("TPosition", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                                          "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"});
    RegisterEnum<TFormBorderStyle>("TFormBorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
    RegisterEnum<TFormStyle>("TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
    RegisterEnum<TWindowState>("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});
    RegisterEnum<TPanelBevel>("TPanelBevel", {"bvNone", "bvLowered", "bvRaised", "bvSpace"});
    RegisterEnum<TBorderStyle>("TBorderStyle", {"bsNone", "bsSingle"});
    RegisterEnum<TBevelShape>("TBevelShape", {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"});
    RegisterEnum<TBevelStyle>("TBevelStyle", {"bsLowered", "bsRaised"});
    RegisterEnum<TResizeStyle>("TResizeStyle", {"rsNone", "rsLine", "rsUpdate", "rsPattern"});
    RegisterEnum<TStatusPanelBevel>("TStatusPanelBevel", {"pbNone", "pbLowered", "pbRaised"});
    RegisterEnum<TStatusPanelStyle>("TStatusPanelStyle", {"psText", "psOwnerDraw"});
    RegisterEnum<TToolButtonStyle>("TToolButtonStyle", {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"});
    RegisterEnum<TDateTimeKind>("TDateTimeKind", {"dtkDate", "dtkTime"});
    RegisterEnum<TDTDateFormat>("TDTDateFormat", {"dfShort", "dfLong"});
    RegisterEnum<TDTDateMode>("TDTDateMode", {"dmComboBox", "dmUpDown"});
    RegisterEnum<TPopupAlignment>("TPopupAlignment", {"paLeft", "paRight", "paCenter"});
    RegisterEnum<TBrushStyle>("TBrushStyle", {"bsSolid", "bsClear"});
    ForEachColorName([](const char* name, TColor color) { RegisterIntegerConstant(name, color); });
    constexpr const char* modalResults[] = {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry", "mrIgnore", "mrYes", "mrNo", "mrAll", "mrNoToAll", "mrYesToAll"};
    for (int i = 0; i < static_cast<int>(std::size(modalResults)); ++i) {
        RegisterIntegerConstant(modalResults[i], i);
    }
}

TModalResult ModalResultFromNumber(int64_t value)
{
    return value >= 0 && value <= static_cast<int64_t>(TModalResult::mrYesToAll) ? static_cast<TModalResult>(value) : TModalResult::mrNone;
}

void RegisterGraphics()
{
    TClassRegistration<TFont, TPersistent>("TFont")
        .String("Name", &TFont::Name, &TFont::SetName, "MS Sans Serif")
        .Integer("Size", &TFont::Size, &TFont::SetSize, 8)
        .Integer("Height", &TFont::Height, &TFont::SetHeight, -11)
        .Integer("Color", &TFont::Color, &TFont::SetColor, clWindowText)
        .Set<TFontStyle>("Style", [](const TFont& font) { return static_cast<uint64_t>(font.Style().Bits()); },
                         [](TFont& font, uint64_t bits) {
                             TFontStyles styles;
                             for (unsigned i = 0; i < 4; ++i) {
                                 if ((bits & (1u << i)) != 0) {
                                     styles.Include(static_cast<TFontStyle>(i));
                                 }
                             }
                             font.SetStyle(styles);
                         })
        .Integer("Charset", &TFont::Charset, &TFont::SetCharset, 1)
        .Enum("Pitch", &TFont::Pitch, &TFont::SetPitch, TFontPitch::fpDefault);

    TClassRegistration<TBrush, TPersistent>("TBrush")
        .Integer("Color", &TBrush::Color, &TBrush::SetColor, clWhite)
        .Enum("Style", &TBrush::Style, &TBrush::SetStyle, TBrushStyle::bsSolid);

    TClassRegistration<TPicture, TPersistent>("TPicture")
        .Defined(
            "Data",
            [](TPicture& picture, const std::string& bytes) {
                if (!picture.LoadFromData(bytes)) {
                    throw EReadError("Invalid picture data");
                }
            },
            [](const TPicture& picture) { return PictureData(picture.Image()); });

    TClassRegistration<TBitmap, TPersistent>("TBitmap")
        .Defined(
            "Data",
            [](TBitmap& bitmap, const std::string& bytes) {
                QImage image;
                if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()))) {
                    throw EReadError("Invalid picture data");
                }
                bitmap.SetImage(image);
            },
            [](const TBitmap& bitmap) { return PictureData(bitmap.Image()); });

    TClassRegistration<TIcon, TPicture>("TIcon");

    TClassRegistration<TImageList, TComponent>("TImageList")
        .Component()
        .Integer("Width", &TImageList::Width, &TImageList::SetWidth, 16)
        .Integer("Height", &TImageList::Height, &TImageList::SetHeight, 16)
        .Defined(
            "Bitmap", [](TImageList& list, const std::string& bytes) { list.ReadData(bytes); },
            [](const TImageList& list) -> std::optional<std::string> {
                if (list.Count() == 0) {
                    return std::nullopt;
                }
                return list.WriteData();
            });
}

void RegisterControls()
{
    TClassRegistration<TControl, TComponent>("TControl")
        .String("Caption", &TControl::Caption, &TControl::SetCaption)
        .String("Text", &TControl::Text, &TControl::SetText)
        .String("Hint", &TControl::Hint, &TControl::SetHint)
        .Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false)
        .Boolean("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, true)
        .Boolean("Visible", &TControl::Visible, &TControl::SetVisible, true)
        .Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
        .Integer("Left", &TControl::Left, &TControl::SetLeft)
        .Integer("Top", &TControl::Top, &TControl::SetTop)
        .Integer("Width", &TControl::Width, &TControl::SetWidth)
        .Integer("Height", &TControl::Height, &TControl::SetHeight)
        .Integer("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth)
        .Integer("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight)
        .Enum("Align", &TControl::Align, &TControl::SetAlign, TAlign::alNone)
        .Set<TAnchorKind>(
            "Anchors", [](const TControl& control) { return static_cast<uint64_t>(control.Anchors().Bits()); },
            [](TControl& control, uint64_t bits) {
                TAnchors anchors;
                for (unsigned i = 0; i < 4; ++i) {
                    if ((bits & (1u << i)) != 0) {
                        anchors.Include(static_cast<TAnchorKind>(i));
                    }
                }
                control.SetAnchors(anchors);
            },
            3)
        .Object("Font", [](TControl& control) -> TFont& { return control.Font(); })
        .Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
        .Integer("Color", &TControl::Color, &TControl::SetColor, clBtnFace)
        .Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, false)
        .Integer("TabOrder", &TControl::TabOrder, &TControl::SetTabOrder, -1)
        .Enum("Cursor", &TControl::Cursor, &TControl::SetCursor, TCursor::crDefault)
        .Reference("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu)
        .Event("OnClick", &TControl::OnClick)
        .Event("OnDblClick", &TControl::OnDblClick)
        .Event("OnResize", &TControl::OnResize);

    TClassRegistration<TWinControl, TControl>("TWinControl")
        .Boolean("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, false)
        .Event("OnEnter", &TWinControl::OnEnter)
        .Event("OnExit", &TWinControl::OnExit);

    TClassRegistration<TCustomForm, TWinControl>("TCustomForm")
        .Enum("Position", &TCustomForm::Position, &TCustomForm::SetPosition, TPosition::poDesigned)
        .Enum("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle, TFormBorderStyle::bsSizeable)
        .Enum("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle, TFormStyle::fsNormal)
        .Enum("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState, TWindowState::wsNormal)
        .Boolean("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview, false)
        .Reference("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu)
        .Reference("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
        .Event("OnCreate", &TCustomForm::OnCreate)
        .Event("OnShow", &TCustomForm::OnShow)
        .Event("OnHide", &TCustomForm::OnHide)
        .Event("OnActivate", &TCustomForm::OnActivate)
        .Event("OnDeactivate", &TCustomForm::OnDeactivate)
        .Event("OnDestroy", &TCustomForm::OnDestroy)
        .Event("OnClose", &TCustomForm::OnClose)
        .Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
    TClassRegistration<TForm, TCustomForm>("TForm").Component();

    TClassRegistration<TLabel, TControl>("TLabel")
        .Component()
        .Boolean("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize, true)
        .Boolean("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap, false)
        .Enum("Alignment", &TLabel::Alignment, &TLabel::SetAlignment, TAlignment::taLeftJustify)
        .Enum("Layout", &TLabel::Layout, &TLabel::SetLayout, TTextLayout::tlTop)
        .Boolean("Transparent", &TLabel::Transparent, &TLabel::SetTransparent, false)
        .Boolean("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar, true)
        .Reference("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);

    TClassRegistration<TEdit, TWinControl>("TEdit")
        .Component()
        .Boolean("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly, false)
        .Integer("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength, 0)
        .String("PasswordChar", [](const TEdit& edit) { return edit.PasswordChar() == '\0' ? std::string() : std::string(1, edit.PasswordChar()); },
                [](TEdit& edit, const std::string& text) { edit.SetPasswordChar(text.empty() ? '\0' : text[0]); })
        .Enum("CharCase", &TEdit::CharCase, &TEdit::SetCharCase, TEditCharCase::ecNormal)
        .Boolean("AutoSelect", [](const TEdit& edit) { return edit.AutoSelect; }, [](TEdit& edit, bool value) { edit.AutoSelect = value; }, true)
        .Event("OnChange", &TEdit::OnChange);

    TClassRegistration<TMemo, TWinControl>("TMemo")
        .Component()
        .Strings("Lines", [](TMemo& memo) -> TStrings& { return memo.Lines(); })
        .Boolean("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly, false)
        .Integer("MaxLength", &TMemo::MaxLength, &TMemo::SetMaxLength, 0)
        .Boolean("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap, true)
        .Enum("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars, TScrollStyle::ssNone)
        .Boolean("WantReturns", [](const TMemo& memo) { return memo.WantReturns; }, [](TMemo& memo, bool value) { memo.WantReturns = value; }, true)
        .Boolean("WantTabs", [](const TMemo& memo) { return memo.WantTabs; }, [](TMemo& memo, bool value) { memo.WantTabs = value; }, false)
        .Event("OnChange", &TMemo::OnChange);

    TClassRegistration<TButton, TWinControl>("TButton")
        .Component()
        .Integer("ModalResult", [](const TButton& button) { return static_cast<int>(button.ModalResult()); },
                 [](TButton& button, int64_t value) { button.SetModalResult(ModalResultFromNumber(value)); })
        .Boolean("Default", &TButton::Default, &TButton::SetDefault, false)
        .Boolean("Cancel", &TButton::Cancel, &TButton::SetCancel, false);

    TClassRegistration<TCheckBox, TWinControl>("TCheckBox")
        .Component()
        .Boolean("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked, false)
        .Enum("State", &TCheckBox::State, &TCheckBox::SetState, TCheckBoxState::cbUnchecked)
        .Boolean("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed, false)
        .Enum("Alignment", [](const TCheckBox& box) { return box.Alignment; }, [](TCheckBox& box, TAlignment value) { box.Alignment = value; },
              TAlignment::taRightJustify);

    TClassRegistration<TRadioButton, TWinControl>("TRadioButton")
        .Component()
        .Boolean("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked, false);

    TClassRegistration<TComboBox, TWinControl>("TComboBox")
        .Component()
        .Strings("Items", [](TComboBox& combo) -> TStrings& { return combo.Items(); })
        .Integer("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex, -1)
        .Enum("Style", &TComboBox::Style, &TComboBox::SetStyle, TComboBoxStyle::csDropDown)
        .Boolean("Sorted", &TComboBox::Sorted, &TComboBox::SetSorted, false)
        .Integer("MaxLength", &TComboBox::MaxLength, &TComboBox::SetMaxLength, 0)
        .Integer("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount, 8)
        .Enum("CharCase", [](const TComboBox& combo) { return combo.CharCase; }, [](TComboBox& combo, TEditCharCase value) { combo.CharCase = value; },
              TEditCharCase::ecNormal)
        .Event("OnChange", &TComboBox::OnChange)
        .Event("OnSelect", &TComboBox::OnSelect)
        .Event("OnDropDown", &TComboBox::OnDropDown)
        .Event("OnCloseUp", &TComboBox::OnCloseUp);

    TClassRegistration<TListBox, TWinControl>("TListBox")
        .Component()
        .Strings("Items", [](TListBox& list) -> TStrings& { return list.Items(); })
        .Integer("ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex, -1)
        .Boolean("Sorted", &TListBox::Sorted, &TListBox::SetSorted, false)
        .Boolean("MultiSelect", &TListBox::MultiSelect, &TListBox::SetMultiSelect, false);

    TClassRegistration<TCheckListBox, TListBox>("TCheckListBox").Component().Event("OnClickCheck", &TCheckListBox::OnClickCheck);
    TClassRegistration<TGroupBox, TWinControl>("TGroupBox").Component();

    TClassRegistration<TPanel, TWinControl>("TPanel")
        .Component()
        .Enum("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter, TPanelBevel::bvRaised)
        .Enum("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner, TPanelBevel::bvNone)
        .Integer("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth, 1)
        .Integer("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth, 0)
        .Enum("BorderStyle", &TPanel::BorderStyle, &TPanel::SetBorderStyle, TBorderStyle::bsNone)
        .Enum("Alignment", &TPanel::Alignment, &TPanel::SetAlignment, TAlignment::taCenter);

    TClassRegistration<TProgressBar, TControl>("TProgressBar")
        .Component()
        .Integer("Min", &TProgressBar::Min, &TProgressBar::SetMin, 0)
        .Integer("Max", &TProgressBar::Max, &TProgressBar::SetMax, 100)
        .Integer("Position", &TProgressBar::Position, &TProgressBar::SetPosition, 0);

    TClassRegistration<TBevel, TControl>("TBevel")
        .Component()
        .Enum("Shape", &TBevel::Shape, &TBevel::SetShape, TBevelShape::bsBox)
        .Enum("Style", &TBevel::Style, &TBevel::SetStyle, TBevelStyle::bsLowered);

    TClassRegistration<TSplitter, TControl>("TSplitter")
        .Component()
        .Integer("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize, 30)
        .Enum("ResizeStyle", [](const TSplitter& splitter) { return splitter.ResizeStyle; },
              [](TSplitter& splitter, TResizeStyle value) { splitter.ResizeStyle = value; }, TResizeStyle::rsPattern)
        .Boolean("AutoSnap", [](const TSplitter& splitter) { return splitter.AutoSnap; }, [](TSplitter& splitter, bool value) { splitter.AutoSnap = value; }, true)
        .Event("OnMoved", &TSplitter::OnMoved);

    TClassRegistration<TImage, TControl>("TImage")
        .Component()
        .Object("Picture", [](TImage& image) -> TPicture& { return image.Picture(); })
        .Boolean("Stretch", &TImage::Stretch, &TImage::SetStretch, false)
        .Boolean("Center", &TImage::Center, &TImage::SetCenter, false)
        .Boolean("Proportional", &TImage::Proportional, &TImage::SetProportional, false)
        .Boolean("Transparent", &TImage::Transparent, &TImage::SetTransparent, false)
        .Boolean("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize, false);

    TClassRegistration<TRadioGroup, TWinControl>("TRadioGroup")
        .Component()
        .Strings("Items", [](TRadioGroup& group) -> TStrings& { return group.Items(); })
        .Integer("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex, -1)
        .Integer("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns, 1);

    TClassRegistration<TSpeedButton, TControl>("TSpeedButton")
        .Component()
        .Boolean("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat, false)
        .Boolean("Down", &TSpeedButton::Down, &TSpeedButton::SetDown, false)
        .Integer("GroupIndex", [](const TSpeedButton& button) { return button.GroupIndex; }, [](TSpeedButton& button, int64_t value) { button.GroupIndex = static_cast<int>(value); })
        .Boolean("AllowAllUp", [](const TSpeedButton& button) { return button.AllowAllUp; }, [](TSpeedButton& button, bool value) { button.AllowAllUp = value; }, false)
        .Object("Glyph", [](TSpeedButton& button) -> TPicture& { return button.Glyph(); });

    TClassRegistration<TTimer, TComponent>("TTimer")
        .Component()
        .Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, true)
        .Integer("Interval", &TTimer::Interval, &TTimer::SetInterval, 1000)
        .Event("OnTimer", &TTimer::OnTimer);
}

void RegisterCommonControls()
{
    TClassRegistration<TPageControl, TWinControl>("TPageControl")
        .Component()
        .Reference("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage)
        .Boolean("MultiLine", &TPageControl::MultiLine, &TPageControl::SetMultiLine, false)
        .Integer("TabHeight", &TPageControl::TabHeight, &TPageControl::SetTabHeight, 0)
        .Integer("TabWidth", &TPageControl::TabWidth, &TPageControl::SetTabWidth, 0)
        .Reference("Images", &TPageControl::Images, &TPageControl::SetImages)
        .Event("OnChange", &TPageControl::OnChange)
        .Event("OnChanging", &TPageControl::OnChanging);

    TClassRegistration<TTabSheet, TWinControl>("TTabSheet")
        .Component()
        .Boolean("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible, true)
        .Integer("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex, -1)
        .Event("OnShow", &TTabSheet::OnShow)
        .Event("OnHide", &TTabSheet::OnHide);

    TClassRegistration<TStatusPanel, TCollectionItem>("TStatusPanel")
        .Item()
        .String("Text", &TStatusPanel::Text, &TStatusPanel::SetText)
        .Integer("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth, 50)
        .Enum("Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel, TStatusPanelBevel::pbLowered)
        .Enum("Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment, TAlignment::taLeftJustify)
        .Enum("Style", &TStatusPanel::Style, &TStatusPanel::SetStyle, TStatusPanelStyle::psText);

    TClassRegistration<TStatusBar, TWinControl>("TStatusBar")
        .Component()
        .Collection("Panels", [](TStatusBar& bar) -> TStatusPanels& { return bar.Panels(); })
        .Boolean("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel, false)
        .String("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText)
        .Boolean("SizeGrip", [](const TStatusBar& bar) { return bar.SizeGrip; }, [](TStatusBar& bar, bool value) { bar.SizeGrip = value; }, true);

    TClassRegistration<TToolBar, TWinControl>("TToolBar")
        .Component()
        .Integer("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth, 23)
        .Integer("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight, 22)
        .Boolean("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions, false)
        .Boolean("Flat", &TToolBar::Flat, &TToolBar::SetFlat, false)
        .Boolean("Wrapable", &TToolBar::Wrapable, &TToolBar::SetWrapable, true)
        .Integer("Indent", &TToolBar::Indent, &TToolBar::SetIndent, 0)
        .Reference("Images", &TToolBar::Images, &TToolBar::SetImages);

    TClassRegistration<TToolButton, TControl>("TToolButton")
        .Component()
        .Enum("Style", &TToolButton::Style, &TToolButton::SetStyle, TToolButtonStyle::tbsButton)
        .Integer("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex, -1)
        .Boolean("Down", &TToolButton::Down, &TToolButton::SetDown, false)
        .Boolean("Grouped", [](const TToolButton& button) { return button.Grouped; }, [](TToolButton& button, bool value) { button.Grouped = value; }, false)
        .Boolean("Wrap", [](const TToolButton& button) { return button.Wrap; }, [](TToolButton& button, bool value) { button.Wrap = value; }, false)
        .Reference("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu)
        .Reference("MenuItem", &TToolButton::MenuItem, &TToolButton::SetMenuItem);

    TClassRegistration<TDateTimePicker, TWinControl>("TDateTimePicker")
        .Component()
        .Float("Date", &TDateTimePicker::Date, &TDateTimePicker::SetDate)
        .Float("Time", &TDateTimePicker::Time, &TDateTimePicker::SetTime)
        .Boolean("Checked", &TDateTimePicker::Checked, &TDateTimePicker::SetChecked, true)
        .Boolean("ShowCheckbox", &TDateTimePicker::ShowCheckbox, &TDateTimePicker::SetShowCheckbox, false)
        .Enum("Kind", &TDateTimePicker::Kind, &TDateTimePicker::SetKind, TDateTimeKind::dtkDate)
        .Enum("DateFormat", &TDateTimePicker::DateFormat, &TDateTimePicker::SetDateFormat, TDTDateFormat::dfShort)
        .Enum("DateMode", &TDateTimePicker::DateMode, &TDateTimePicker::SetDateMode, TDTDateMode::dmComboBox)
        .Event("OnChange", &TDateTimePicker::OnChange)
        .Event("OnCloseUp", &TDateTimePicker::OnCloseUp);

    TClassRegistration<TRichEdit, TWinControl>("TRichEdit")
        .Component()
        .Strings("Lines", [](TRichEdit& edit) -> TStrings& { return edit.Lines(); })
        .Boolean("ReadOnly", &TRichEdit::ReadOnly, &TRichEdit::SetReadOnly, true)
        .Boolean("PlainText", &TRichEdit::PlainText, &TRichEdit::SetPlainText, false)
        .Boolean("WordWrap", &TRichEdit::WordWrap, &TRichEdit::SetWordWrap, true)
        .Enum("ScrollBars", &TRichEdit::ScrollBars, &TRichEdit::SetScrollBars, TScrollStyle::ssBoth)
        .Event("OnChange", &TRichEdit::OnChange);
}

void RegisterMenusAndServices()
{
    TClassRegistration<TMenuItem, TComponent>("TMenuItem")
        .Component()
        .String("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
        .String("Hint", &TMenuItem::Hint, &TMenuItem::SetHint)
        .Boolean("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, false)
        .Boolean("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, true)
        .Boolean("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true)
        .Boolean("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem, false)
        .Boolean("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck, false)
        .Boolean("Default", &TMenuItem::Default, &TMenuItem::SetDefault, false)
        .Integer("ShortCut", &TMenuItem::ShortCut, [](TMenuItem& item, int64_t value) { item.SetShortCut(static_cast<TShortCut>(value)); })
        .Integer("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex, -1)
        .Integer("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex, 0)
        .Event("OnClick", &TMenuItem::OnClick);
    TClassRegistration<TMenu, TComponent>("TMenu");
    TClassRegistration<TMainMenu, TMenu>("TMainMenu")
        .Component()
        .Boolean("AutoMerge", [](const TMainMenu& menu) { return menu.AutoMerge; }, [](TMainMenu& menu, bool value) { menu.AutoMerge = value; }, false);
    TClassRegistration<TPopupMenu, TMenu>("TPopupMenu")
        .Component()
        .Boolean("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup, true)
        .Enum("Alignment", [](const TPopupMenu& menu) { return menu.Alignment; }, [](TPopupMenu& menu, TPopupAlignment value) { menu.Alignment = value; },
              TPopupAlignment::paLeft)
        .Event("OnPopup", &TPopupMenu::OnPopup);

    TClassRegistration<TApplicationEvents, TComponent>("TApplicationEvents")
        .Component()
        .Event("OnMessage", &TApplicationEvents::OnMessage)
        .Event("OnException", &TApplicationEvents::OnException);

    TClassRegistration<TOpenDialog, TComponent>("TOpenDialog")
        .Component()
        .String("FileName", [](const TOpenDialog& d) { return d.FileName; }, [](TOpenDialog& d, const std::string& v) { d.FileName = v; })
        .String("InitialDir", [](const TOpenDialog& d) { return d.InitialDir; }, [](TOpenDialog& d, const std::string& v) { d.InitialDir = v; })
        .String("Filter", [](const TOpenDialog& d) { return d.Filter; }, [](TOpenDialog& d, const std::string& v) { d.Filter = v; })
        .Integer("FilterIndex", [](const TOpenDialog& d) { return d.FilterIndex; }, [](TOpenDialog& d, int64_t v) { d.FilterIndex = static_cast<int>(v); }, 1)
        .String("DefaultExt", [](const TOpenDialog& d) { return d.DefaultExt; }, [](TOpenDialog& d, const std::string& v) { d.DefaultExt = v; })
        .String("Title", [](const TOpenDialog& d) { return d.Title; }, [](TOpenDialog& d, const std::string& v) { d.Title = v; });
    TClassRegistration<TSaveDialog, TOpenDialog>("TSaveDialog").Component();
    TClassRegistration<TColorDialog, TComponent>("TColorDialog")
        .Component()
        .Integer("Color", [](const TColorDialog& d) { return d.Color; }, [](TColorDialog& d, int64_t v) { d.Color = static_cast<TColor>(v); });
    TClassRegistration<TFontDialog, TComponent>("TFontDialog").Component().Object("Font", [](TFontDialog& d) -> TFont& { return d.Font; });
    TClassRegistration<TFolderDialog, TComponent>("TFolderDialog")
        .Component()
        .String("Title", [](const TFolderDialog& d) { return d.Title; }, [](TFolderDialog& d, const std::string& v) { d.Title = v; })
        .String("Directory", [](const TFolderDialog& d) { return d.Directory; }, [](TFolderDialog& d, const std::string& v) { d.Directory = v; });
}

}  // namespace

void RegisterWindowClasses()
{
    static bool registered = false;
    if (registered) {
        return;
    }
    registered = true;
    RegisterEnumerations();
    RegisterGraphics();
    RegisterControls();
    RegisterCommonControls();
    RegisterMenusAndServices();
    RegisterFileControlClasses();
}
