#pragma once
// Collation of index keys: a 256-entry weight table turns every key byte into a sort weight, and
// keys compare weight by weight. The weights come from a custom sequence text or from one of the
// built-in language tables (indexed by the byte value in the language's DOS code page).

#include "platform/classes/Components.h"

#include <array>
#include <cstdint>
#include <string>

enum class TXbCollationTypes {
    cltNone,
    cltCustom,
    cltClipper501Rus,
    cltGermanCollation,
    cltFrenchCollation,
    cltSpanishCollation,
    cltItalianCollation,
    cltSwedishCollation,
    cltPortugueseCollation,
    cltNorwegianCollation,
    cltFinnishCollation,
    cltDutchCollation,
    cltDanishCollation,
    cltGreek437Collation,
    cltGreek851Collation,
    cltIcelandic850Collation,
    cltIcelandic861Collation,
    cltPolish852Collation,
    cltHungarianCWICollation,
    cltHungarian852Collation
};

using TXbCollationWeights = std::array<uint8_t, 256>;

// The collation settings of an index or an order.
class TXbCollation : public TPersistent {
public:
    TXbCollation();
    const char* ClassName() const noexcept override { return "TXbCollation"; }
    // Copies the type and the custom sequence.
    void Assign(const TPersistent& source) override;

    TXbCollationTypes CollationType = TXbCollationTypes::cltNone;
    std::string CustomCollatingSequence;

    // The numbers 0 to 255 in decimal, each followed by ";".
    static const std::string& IdentitySequence();
};

// The weights of a custom sequence: identity first, then every piece ended by ";" gives the
// weight of the next byte value in turn (positions past 255 wrap to 0); a piece that is not a
// number keeps that byte's identity weight; text after the last ";" is ignored.
TXbCollationWeights XbCustomCollationWeights(const std::string& sequence);

// The built-in table of a language type; null for cltNone, cltCustom and any other value.
const uint8_t* XbBuiltInCollationWeights(TXbCollationTypes type) noexcept;
