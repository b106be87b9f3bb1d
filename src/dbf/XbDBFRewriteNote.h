#pragma once
// The note an in-place record rewrite leaves beside its table while it writes.
//
// The kernel copies a write() into the page cache one page at a time and takes a pending
// kill between two pages, so a killed program can leave a record that crosses a page
// boundary half old and half new. Before such a record is rewritten, its old and new images
// go into a note file beside the table (one write into a new file, with a checksum); the note
// is removed once the record is written. The next open for writing finds a note left by a
// killed writer and writes the new image whole, so no record stays half written. A note that
// is cut short, damaged, or stale (the record holds neither image, nor a mix of both) is
// dropped without touching the table.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The smallest page a write is copied by; larger pages end on multiples of it too.
inline constexpr int64_t kWritePageSize = 4096;

// True when the bytes [offset, offset + size) lie in more than one page.
bool CrossesPageBoundary(int64_t offset, int64_t size) noexcept;

// The note's file name for a table file: "<table file>.rewrite".
std::string RewriteNoteName(const std::string& tableFileName);

struct TRewriteNote {
    int64_t Offset = 0;  // of the record in the table file
    std::vector<uint8_t> OldImage;
    std::vector<uint8_t> NewImage;

    // True when `current` (NewImage.size() bytes) is what writing NewImage over OldImage can
    // have left: every byte is the old or the new one.
    bool Explains(const uint8_t* current) const noexcept;
};

// The note's bytes: "ZVRN", offset (64-bit), size (32-bit), old image, new image, and an
// FNV-1a checksum of all before it, numbers little-endian.
std::vector<uint8_t> RewriteNoteBytes(int64_t offset, const uint8_t* oldImage, const uint8_t* newImage, int32_t size);

// The note in `bytes`, or nothing when they are not a whole, sound note.
std::optional<TRewriteNote> ParseRewriteNote(const std::string& bytes);
