#include "dbf/XbDBFCollation.h"

#include "platform/rtl/SysUtils.h"

#include <charconv>

TXbCollation::TXbCollation() : CustomCollatingSequence(IdentitySequence()) {}

void TXbCollation::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TXbCollation*>(&source)) {
        CollationType = other->CollationType;
        CustomCollatingSequence = other->CustomCollatingSequence;
        return;
    }
    TPersistent::Assign(source);
}

const std::string& TXbCollation::IdentitySequence()
{
    static const std::string sequence = [] {
        std::string text;
        for (int i = 0; i < 256; ++i)
            text += std::to_string(i) + ";";
        return text;
    }();
    return sequence;
}

TXbCollationWeights XbCustomCollationWeights(const std::string& sequence)
{
    TXbCollationWeights weights{};
    for (int i = 0; i < 256; ++i)
        weights[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    size_t position = 0;
    size_t start = 0;
    for (size_t end = sequence.find(';'); end != std::string::npos; end = sequence.find(';', start)) {
        const std::string piece = Trim(sequence.substr(start, end - start));
        int value = 0;
        const auto [last, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
        if (!piece.empty() && error == std::errc() && last == piece.data() + piece.size())
            weights[position] = static_cast<uint8_t>(value);
        position = (position + 1) % 256;
        start = end + 1;
    }
    return weights;
}
