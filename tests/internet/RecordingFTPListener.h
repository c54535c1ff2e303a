#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "library/internet/ftp/FTPSessionContext.h"
#include "library/resource/UniqueResource.h"

// Writes every listener call as one line ("Connect(1)", "Request7(/upload,1)",
// "Sent11(4096)") and signals an event after each completion.
class CRecordingFTPListener : public NLibrary::NInternet::NFTP::IFTPSessionListener
{
public:
    CRecordingFTPListener();

    void OnConnectComplete(bool success) override { Record("Connect", success); }
    void OnRequest3Complete(bool success) override { Record("Request3", success); }
    void OnRequest5Complete(bool success) override { Record("Request5", success); }
    void OnRequest7Complete(NLibrary::NDatatype::NString::IStringBuffer* text,
                            bool success) override;
    void OnRequest9Complete(bool success) override { Record("Request9", success); }
    void OnRequest11Sent(uint32_t bytesSent) override;
    void OnRequest11Complete(bool success) override { Record("Request11", success); }
    void OnRequest13Complete(bool success) override { Record("Request13", success); }

    std::vector<std::string> Calls();
    std::vector<std::string> TakeCalls();
    // Waits for the next completion call; false after the time-out.
    bool WaitForCompletion(DWORD milliseconds = 15000);

protected:
    void Record(const std::string& call, bool success);
    void Add(const std::string& line, bool completion);

private:
    std::mutex lock;
    std::vector<std::string> calls;
    NLibrary::NResource::CUniqueHandle completed;
};
