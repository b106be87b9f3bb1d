#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

TEST(Exceptions, ClassNameAndDisplayText)
{
    try {
        throw EDatabaseError("Field 'X' not found");
    } catch (const Exception& e) {
        EXPECT_STREQ(e.ClassName(), "EDatabaseError");
        EXPECT_EQ(e.DisplayText(), "EDatabaseError: Field 'X' not found");
    }
    EFOpenError open("cannot open");
    const EStreamError& asStream = open;
    EXPECT_STREQ(asStream.ClassName(), "EFOpenError");
}
