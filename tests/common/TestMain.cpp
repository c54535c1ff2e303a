#include <gtest/gtest.h>

#include <windows.h>

namespace {

// GoogleTest keeps its per-thread state in thread-locals of its own; on
// Windows the first use of one on a thread opens a handle to that thread and
// starts a watcher thread, kept for the thread's life. Doing that here, before
// any test counts handles or threads, keeps it out of the leak checks of
// whichever test happens to touch that state first.
class CRegisterMainThread : public testing::Environment
{
public:
    void SetUp() override { SCOPED_TRACE("registering the main thread"); }
};

}  // namespace

int main(int argc, char** argv)
{
    // A crash in a test must end the program, not open a debugger dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new CRegisterMainThread);
    return RUN_ALL_TESTS();
}
