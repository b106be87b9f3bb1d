// The file and stream input and output of string lists.

#include "platform/rtl/Classes.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/OsErrors.h"
#include "platform/rtl/Streams.h"

#include <cerrno>

void TStrings::LoadFromStream(TStream& stream)
{
    int64_t position = stream.Position();
    int64_t size = stream.Size() - position;
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    stream.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    BeginUpdate();
    try {
        SetText(text);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::SaveToStream(TStream& stream) const
{
    std::string text = Text();
    stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TStrings::SaveToFile(const std::string& fileName) const
{
    // The file is replaced whole, so a failure part-way leaves the old contents.
    if (!WriteFileAtomically(fileName, Text())) {
        int error = errno;
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + SysErrorMessage(error));
    }
}
