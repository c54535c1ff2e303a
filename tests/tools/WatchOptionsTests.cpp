// The watch tool's command line and text lines, in-process.

#include <gtest/gtest.h>

#include <windows.h>

#include "tools/zarvowatch/WatchOptions.h"
#include "tools/zarvowatch/WatchOutput.h"

namespace {

struct CParseRow
{
    const wchar_t* arguments;
    bool accepted;
    const wchar_t* error;  // a part of the message when refused
};

TEST(WatchOptions, AcceptsWhatItCanCarryOutAndRefusesTheRestWithAReason)
{
    const CParseRow rows[] = {
        {L"",                                                             true,  L""                                            },
        {L"--duration 0",                                                 true,  L""                                            },
        {L"--duration 2.5 --json",                                        true,  L""                                            },
        {L"--duration 86400",                                             true,  L""                                            },
        {L"--duration nan",                                               false, L"--duration takes a number of seconds"        },
        {L"--duration inf",                                               false, L"--duration takes a number of seconds"        },
        {L"--duration -1",                                                false, L"--duration takes a number of seconds"        },
        {L"--duration 1e999",                                             false, L"--duration takes a number of seconds"        },
        {L"--duration 86401",                                             false, L"--duration takes a number of seconds"        },
        {L"--duration 5s",                                                false, L"--duration takes a number of seconds"        },
        {L"--duration \"\"",                                              false, L"--duration takes a number of seconds"        },
        {L"--command show --title T --json",                              true,  L""                                            },
        {L"--capture a.png --title T --json",                             true,  L""                                            },
        {L"--command show --capture a.png --title T",                     false, L"--command and --capture"                     },
        {L"--command show",                                               false, L"--command needs --window"                    },
        {L"--capture a.bmp",                                              false, L"--capture needs --window"                    },
        {L"--capture a.gif --screen",                                     false, L"--capture writes FILE.bmp or FILE.png"       },
        {L"--alpha most --capture a.bmp --screen",                        false, L"unknown --alpha value most"                  },
        {L"--window 12x",                                                 false, L"--window takes a window handle"              },
        {L"--bogus",                                                      false, L"unknown argument --bogus"                    },
        {L"--dll",                                                        false, L"--dll needs a value"                         },
        {L"--initial --all-changes --json",                               true,  L""                                            },
        {L"serve --port 0 --token-file t.txt --all-changes --duration 5", true,  L""                                            },
        {L"serve --port 65536",                                           false, L"--port takes a port number"                  },
        {L"serve --port -1",                                              false, L"--port takes a port number"                  },
        {L"--port 80",                                                    false, L"--port is for zarvowatch serve"              },
        {L"--capture a.bmp --screen --token-file t",                      false,
         L"--token-file is for zarvowatch serve"                                                                                },
        {L"serve --json",                                                 false, L"--json does not apply to zarvowatch serve"   },
        {L"serve --initial",                                              false, L"--initial does not apply to zarvowatch serve"},
        {L"--command show --title T --initial",                           false, L"--initial applies to watching only"          },
        {L"--json serve",                                                 false, L"unknown argument serve"                      },
    };
    for (const CParseRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "zarvowatch " << row.arguments);
        CWatchOptions options;
        std::wstring error;
        const std::wstring line = std::wstring(L"zarvowatch.exe ") + row.arguments;
        EXPECT_EQ(row.accepted, ParseWatchOptions(line.c_str(), options, error));
        EXPECT_NE(std::wstring::npos, error.find(row.error)) << testing::PrintToString(error);
    }
}

// A window of this process with a title that would break a line apart.
class CTitledWindow
{
public:
    explicit CTitledWindow(const wchar_t* title)
        : hwnd(CreateWindowExW(0, L"STATIC", title, WS_POPUP, 10, 20, 30, 40, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~CTitledWindow() { DestroyWindow(hwnd); }
    HWND Get() const { return hwnd; }

private:
    HWND hwnd;
};

TEST(WatchOutput, TitlesAreQuotedAndEscapedAsInJsonSoThatEachRecordStaysOneLine)
{
    const struct
    {
        const wchar_t* title;
        const char* quoted;
    } rows[] = {
        {L"say \"hi\"",       "\"say \\\"hi\\\"\""     },
        {L"two\nlines\r",     "\"two\\nlines\\r\""     },
        {L"back\\slash\ttab", "\"back\\\\slash\\ttab\""},
        {L"bell\x07",         "\"bell\\u0007\""        },
        {L"caf\x00e9",        "\"caf\xc3\xa9\""        },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.quoted);
        CTitledWindow window(row.title);
        ASSERT_NE(nullptr, window.Get());
        const std::string text = DescribeWindow(window.Get());
        const std::string json = "{" + DescribeWindowJson(window.Get()) + "}";
        EXPECT_NE(std::string::npos, text.find(std::string("title=") + row.quoted)) << text;
        EXPECT_NE(std::string::npos, json.find(std::string("\"title\":") + row.quoted)) << json;
        for (const std::string& line : {text, json})
            EXPECT_EQ(std::string::npos, line.find_first_of("\r\n")) << line;
    }
}

}  // namespace
