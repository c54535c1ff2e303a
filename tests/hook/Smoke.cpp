#include <gtest/gtest.h>
#include "library/window/WindowStyle.h"
TEST(Smoke, StyleOfNullWindowIsZero) { EXPECT_EQ(0, NLibrary::NWin32::NWindow::GetWindowStyle(nullptr)); }
