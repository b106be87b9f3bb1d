#pragma once
// The desktop's trash (the freedesktop layout): a trashed file or folder is moved into
// "Trash/files" of the user's data folder ($XDG_DATA_HOME, else ~/.local/share), with a
// "Trash/info/<name>.trashinfo" record of where it came from and when, so that the desktop's
// file manager lists it and can put it back.

#include <string>

// The trash folder with a trailing "/".
std::string TrashFolder();
// Moves the file or folder into the trash (across file systems by copying it first); false
// with errno set when it could not be trashed, which leaves it where it was.
bool MoveToTrash(const std::string& path);
