#include "RecordingFTPListener.h"

CRecordingFTPListener::CRecordingFTPListener()
    : completed(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

void CRecordingFTPListener::OnRequest7Complete(NLibrary::NDatatype::NString::IStringBuffer* text,
                                               bool success)
{
    const wchar_t* characters = nullptr;
    std::string narrow;
    if (text != nullptr && text->GetString(&characters) == 0) {
        for (const wchar_t* c = characters; *c != 0; ++c)
            narrow += static_cast<char>(*c < 128 ? *c : '?');
    }
    Add("Request7(" + narrow + "," + (success ? "1" : "0") + ")", true);
}

void CRecordingFTPListener::OnRequest11Sent(uint32_t bytesSent)
{
    Add("Sent11(" + std::to_string(bytesSent) + ")", false);
}

void CRecordingFTPListener::Record(const std::string& call, bool success)
{
    Add(call + (success ? "(1)" : "(0)"), true);
}

void CRecordingFTPListener::Add(const std::string& line, bool completion)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        calls.push_back(line);
    }
    if (completion)
        SetEvent(completed.Get());
}

std::vector<std::string> CRecordingFTPListener::Calls()
{
    std::lock_guard<std::mutex> guard(lock);
    return calls;
}

std::vector<std::string> CRecordingFTPListener::TakeCalls()
{
    std::lock_guard<std::mutex> guard(lock);
    std::vector<std::string> taken;
    taken.swap(calls);
    return taken;
}

bool CRecordingFTPListener::WaitForCompletion(DWORD milliseconds)
{
    return WaitForSingleObject(completed.Get(), milliseconds) == WAIT_OBJECT_0;
}
