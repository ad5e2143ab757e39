#include "base/CellName.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

TEST(CellName, ColumnsRunThroughTheLettersAsSpreadsheetsNameThem) {
    EXPECT_EQ(CellName(154, 2), "B154");
    EXPECT_EQ(CellName(1, 26), "Z1");
    EXPECT_EQ(CellName(1, 27), "AA1");
    EXPECT_EQ(CellName(7, 52), "AZ7");
    EXPECT_EQ(CellName(7, 53), "BA7");
    EXPECT_EQ(CellName(1048576, 16384), "XFD1048576"); // the last cell of an .xlsx sheet
}

} // namespace
} // namespace tulo
