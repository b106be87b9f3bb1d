#pragma once
// Image lists: numbered pictures of one size for tool buttons, menus and tabs.

#include "platform/classes/Components.h"

#include <QImage>

#include <string>
#include <utility>
#include <vector>

class QIcon;

class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner) : TComponent(owner) {}
    const char* ClassName() const noexcept override { return "TImageList"; }
    int Width() const noexcept { return width_; }
    void SetWidth(int value);
    int Height() const noexcept { return height_; }
    void SetHeight(int value);
    int Count() const noexcept { return static_cast<int>(images_.size()); }
    // Adds a picture scaled to the list's size; returns its index.
    int Add(const QImage& image);
    // Cuts a strip of pictures of the list's width into single pictures; returns the first index.
    int AddStrip(const QImage& strip);
    void Delete(int index);
    void Clear();
    // The picture at `index`; a null image for an index outside the list.
    QImage Image(int index) const;
    QIcon Icon(int index) const;
    // The pictures as stored in a form description: PNG files one after another.
    void ReadData(const std::string& bytes);
    std::string WriteData() const;

    // Handlers told after every change of the pictures, one per client (a tray icon that shows
    // the list's current picture); a client registered again replaces its handler.
    void RegisterChanges(const void* client, TNotifyEvent handler);
    void UnRegisterChanges(const void* client);

private:
    void Changed();
    std::vector<std::pair<const void*, TNotifyEvent>> changeLinks_;
    int width_ = 16;
    int height_ = 16;
    std::vector<QImage> images_;
};
