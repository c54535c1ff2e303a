#include <gtest/gtest.h>

#include <windows.h>

int main(int argc, char** argv)
{
    // A crash in a test must end the program, not open a debugger dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
