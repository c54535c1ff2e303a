#pragma once

// The watch tool's exit codes, shared with the tests that run it.
enum WatchExitCode : int
{
    WatchExitSuccess = 0,
    WatchExitBadArguments = 2,
    WatchExitModuleNotLoaded = 3,  // missing, or not the hook module
    WatchExitRegisterFailed = 4,
    WatchExitNoSuchWindow = 5,
    WatchExitUnknownCommand = 6,
    WatchExitCommandFailed = 7,
    WatchExitCaptureFailed = 8,
    WatchExitWriteFailed = 9,
    WatchExitServeFailed = 10,  // no token, the port is taken, or the token file cannot be written
};
