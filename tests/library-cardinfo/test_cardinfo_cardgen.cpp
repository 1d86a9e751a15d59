#include "library/CardInformation.h"
#include "tools/make-card/CardGenerator.h"

#include <gtest/gtest.h>

// The generator's firmware file keeps the major and minor numbers at bytes 8 and 12.
TEST(FirmwareFileFromGenerator, ReadsBackItsVersion)
{
    EXPECT_EQ(CardInformation::FirmwareVersionFromBytes(cardgen::FirmwareFileBytes(1, 23)),
              "1.023");
    EXPECT_EQ(CardInformation::FirmwareVersionFromBytes(cardgen::FirmwareFileBytes(12, 4)),
              "12.004");
}
