#include "platform/gui/FileCtrl.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/ControlBridge.h"
#include "platform/gui/Forms.h"
#include "platform/gui/GuiText.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QHeaderView>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The folder with "." and ".." resolved and no trailing "/", absolute.
std::string Normalised(const std::string& folder, const std::string& base)
{
    fs::path path(folder);
    if (path.is_relative()) {
        path = fs::path(base.empty() ? fs::current_path().string() : base) / path;
    }
    std::string text = path.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

// The visible subfolders of a folder, by name; throws EInOutError when it cannot be listed.
std::vector<std::string> Subfolders(const std::string& folder)
{
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        throw EInOutError("\"" + folder + "\" is not a folder.");
    }
    fs::directory_iterator entries(folder, error);
    if (error) {
        throw EInOutError("The folder \"" + folder + "\" cannot be read.");
    }
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : entries) {
        const std::string name = entry.path().filename().string();
        std::error_code kindError;
        if (!name.empty() && name[0] != '.' && entry.is_directory(kindError)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const QString left = ToQString(a);
        const QString right = ToQString(b);
        const int folded = QString::compare(left, right, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TDirectoryListBox::TDirectoryListBox(TComponent* owner) : TWinControl(owner, new QTreeWidget())
{
    SetTabStop(true);
    SetColor(clWindow);
    QTreeWidget* tree = TreeWidget();
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(false);
    tree->setItemsExpandable(false);
    tree->setIndentation(12);
    tree->setUniformRowHeights(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    QObject::connect(tree, &QTreeWidget::currentItemChanged, SignalContext(), [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
        if (codeChange_ > 0) {
            return;
        }
        const auto found = std::find(rows_.begin(), rows_.end(), item);
        itemIndex_ = found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
        RunUserHandler([this] { Click(); });
    });
    QObject::connect(tree, &QTreeWidget::itemActivated, SignalContext(), [this](QTreeWidgetItem* item, int) {
        if (codeChange_ > 0) {
            return;
        }
        const auto found = std::find(rows_.begin(), rows_.end(), item);
        if (found == rows_.end()) {
            return;
        }
        itemIndex_ = static_cast<int>(found - rows_.begin());
        RunUserHandler([this] { OpenCurrent(); });
    });
    // Start in the program's working folder, as a new list always has a folder.
    std::error_code error;
    const std::string start = fs::current_path(error).string();
    try {
        SetDirectory(error ? std::string("/") : start);
    } catch (const EInOutError&) {
        SetDirectory("/");
    }
}

TDirectoryListBox::~TDirectoryListBox() = default;

QTreeWidget* TDirectoryListBox::TreeWidget() const
{
    return static_cast<QTreeWidget*>(Widget());
}

void TDirectoryListBox::SetDirectory(const std::string& folder)
{
    const std::string target = Normalised(folder, directory_);
    const std::vector<std::string> names = Subfolders(target);
    std::vector<Entry> entries;
    entries.push_back(Entry{"/", "/", 0});
    std::string running;
    const fs::path path(target);
    for (const fs::path& part : path.relative_path()) {
        running += "/" + part.string();
        entries.push_back(Entry{running, part.string(), static_cast<int>(entries.size())});
    }
    const int directoryIndex = static_cast<int>(entries.size()) - 1;
    const int level = directoryIndex + 1;
    for (const std::string& name : names) {
        entries.push_back(Entry{(target == "/" ? std::string() : target) + "/" + name, name, level});
    }
    const bool changed = target != directory_;
    Fill(target, std::move(entries), directoryIndex);
    if (changed && !Reading() && OnChange) {
        OnChange(this);
    }
}

void TDirectoryListBox::Fill(const std::string& folder, std::vector<Entry> entries, int directoryIndex)
{
    TCodeChange change(codeChange_);
    directory_ = folder;
    entries_ = std::move(entries);
    directoryIndex_ = directoryIndex;
    QTreeWidget* tree = TreeWidget();
    tree->clear();
    rows_.clear();
    const QIcon open = QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = QApplication::style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parent = nullptr;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const bool opened = static_cast<int>(i) <= directoryIndex_;
        auto* item = parent == nullptr ? new QTreeWidgetItem(tree) : new QTreeWidgetItem(parent);
        item->setText(0, ToQString(entries_[i].Name));
        item->setIcon(0, opened ? open : closed);
        item->setSizeHint(0, QSize(0, itemHeight_));
        rows_.push_back(item);
        if (opened) {
            parent = item;
        }
    }
    tree->expandAll();
    SelectRow(directoryIndex_);
}

void TDirectoryListBox::SelectRow(int index)
{
    TCodeChange change(codeChange_);
    itemIndex_ = index >= 0 && index < Count() ? index : -1;
    QTreeWidget* tree = TreeWidget();
    if (itemIndex_ < 0) {
        tree->setCurrentItem(nullptr);
        tree->clearSelection();
        return;
    }
    tree->setCurrentItem(rows_[static_cast<size_t>(itemIndex_)]);
    tree->scrollToItem(rows_[static_cast<size_t>(itemIndex_)]);
}

std::string TDirectoryListBox::Drive() const
{
    return MountFolderOf(directory_, MountedFileSystems());
}

void TDirectoryListBox::SetDrive(const std::string& mountFolder)
{
    if (MountFolderOf(directory_, MountedFileSystems()) != Normalised(mountFolder, "/")) {
        SetDirectory(mountFolder);
    }
}

void TDirectoryListBox::Update()
{
    const int selected = itemIndex_;
    const std::string selectedPath = selected >= 0 ? GetItemPath(selected) : std::string();
    const std::string folder = directory_;
    directory_.clear();  // read again even though the folder stays
    try {
        SetDirectory(folder);
    } catch (const EInOutError&) {
        directory_ = folder;
        throw;
    }
    for (int i = 0; i < Count(); ++i) {
        if (entries_[static_cast<size_t>(i)].Path == selectedPath) {
            SelectRow(i);
        }
    }
}

std::string TDirectoryListBox::Items(int index) const
{
    if (index < 0 || index >= Count()) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return entries_[static_cast<size_t>(index)].Name;
}

std::string TDirectoryListBox::GetItemPath(int index) const
{
    if (index < 0 || index >= Count()) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return entries_[static_cast<size_t>(index)].Path;
}

void TDirectoryListBox::SetItemIndex(int value)
{
    SelectRow(value);
}

void TDirectoryListBox::OpenCurrent()
{
    if (itemIndex_ < 0) {
        return;
    }
    const std::string folder = GetItemPath(itemIndex_);
    try {
        SetDirectory(folder);
    } catch (const EInOutError& error) {
        if (!OnOpenError) {
            throw;
        }
        OnOpenError(folder, error.Message());
    }
}

void TDirectoryListBox::SetItemHeight(int value)
{
    itemHeight_ = std::max(value, 1);
    for (QTreeWidgetItem* row : rows_) {
        row->setSizeHint(0, QSize(0, itemHeight_));
    }
}

// ---------------------------------------------------------------------------------------------

std::vector<TMountedFileSystem> MountedFileSystems()
{
    std::vector<TMountedFileSystem> fileSystems;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady()) {
            continue;
        }
        TMountedFileSystem fileSystem;
        fileSystem.Folder = FromQString(storage.rootPath());
        const std::string name = FromQString(storage.name());
        const std::string type = FromQString(QString::fromLatin1(storage.fileSystemType()));
        fileSystem.Name = fileSystem.Folder + " [" + (name.empty() ? type : name) + "]";
        fileSystems.push_back(std::move(fileSystem));
    }
    if (std::none_of(fileSystems.begin(), fileSystems.end(), [](const TMountedFileSystem& f) { return f.Folder == "/"; })) {
        fileSystems.push_back(TMountedFileSystem{"/", "/"});
    }
    std::sort(fileSystems.begin(), fileSystems.end(),
              [](const TMountedFileSystem& a, const TMountedFileSystem& b) { return a.Folder < b.Folder; });
    fileSystems.erase(std::unique(fileSystems.begin(), fileSystems.end(),
                                  [](const TMountedFileSystem& a, const TMountedFileSystem& b) { return a.Folder == b.Folder; }),
                      fileSystems.end());
    return fileSystems;
}

std::string MountFolderOf(const std::string& folder, const std::vector<TMountedFileSystem>& fileSystems)
{
    std::string best = "/";
    for (const TMountedFileSystem& fileSystem : fileSystems) {
        const std::string& mount = fileSystem.Folder;
        const bool inside = mount == "/" || folder == mount ||
                            (folder.size() > mount.size() && folder.compare(0, mount.size(), mount) == 0 && folder[mount.size()] == '/');
        if (inside && mount.size() > best.size()) {
            best = mount;
        }
    }
    return best;
}

// ---------------------------------------------------------------------------------------------

TDriveComboBox::TDriveComboBox(TComponent* owner) : TComboBox(owner)
{
    SetStyle(TComboBoxStyle::csDropDownList);
    Rescan();
}

void TDriveComboBox::Rescan()
{
    const std::string drive = Drive();
    fileSystems_ = MountedFileSystems();
    Items().BeginUpdate();
    Items().Clear();
    for (const TMountedFileSystem& fileSystem : fileSystems_) {
        Items().Add(fileSystem.Name);
    }
    Items().EndUpdate();
    std::error_code error;
    SetDrive(drive.empty() ? fs::current_path(error).string() : drive);
}

std::string TDriveComboBox::Drive() const
{
    const int index = ItemIndex();
    return index >= 0 && index < static_cast<int>(fileSystems_.size()) ? fileSystems_[static_cast<size_t>(index)].Folder
                                                                        : std::string();
}

void TDriveComboBox::SetDrive(const std::string& folder)
{
    const std::string mount = MountFolderOf(folder, fileSystems_);
    for (size_t i = 0; i < fileSystems_.size(); ++i) {
        if (fileSystems_[i].Folder == mount) {
            SetItemIndex(static_cast<int>(i));
        }
    }
    MoveDirList();
}

void TDriveComboBox::SetDirList(TDirectoryListBox* value)
{
    if (dirList_ != nullptr) {
        dirList_->RemoveFreeNotification(this);
    }
    dirList_ = value;
    if (dirList_ != nullptr) {
        dirList_->FreeNotification(this);
    }
}

void TDriveComboBox::MoveDirList()
{
    if (dirList_ == nullptr || Reading() || Drive().empty()) {
        return;
    }
    try {
        dirList_->SetDrive(Drive());
    } catch (const EInOutError&) {
        // A file system that cannot be listed leaves the folder list where it was.
    }
}

void TDriveComboBox::Click()
{
    MoveDirList();
    TComboBox::Click();
}

void TDriveComboBox::Notification(TComponent* component, TOperation operation)
{
    TComboBox::Notification(component, operation);
    if (operation == TOperation::opRemove && component == dirList_) {
        dirList_ = nullptr;
    }
}

// ---------------------------------------------------------------------------------------------

void RegisterFileControlClasses()
{
    static const bool registered = [] {
        TClassRegistration<TDirectoryListBox, TWinControl>("TDirectoryListBox")
            .Component()
            .Integer("ItemHeight", &TDirectoryListBox::ItemHeight, &TDirectoryListBox::SetItemHeight, 16)
            .Event("OnChange", &TDirectoryListBox::OnChange);
        TClassRegistration<TDriveComboBox, TComboBox>("TDriveComboBox")
            .Component()
            .Reference("DirList", &TDriveComboBox::DirList, &TDriveComboBox::SetDirList);
        return true;
    }();
    (void)registered;
}
