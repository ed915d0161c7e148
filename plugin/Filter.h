#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "plugin/HostInterface.h"

// Base of every filter. The slot order of the virtual operations is part of
// the design: destructor, Execute, Setup, CanSetup.
class Filter {
public:
    Filter(std::string name, std::string category);
    virtual ~Filter();

    // Host arguments 1 to 8 of HXF_Execute, unchanged and in order.
    virtual void Execute(HostArg arg1, HostArg arg2, HostArg arg3, HostArg arg4, HostArg arg5, HostArg arg6,
                         HostArg arg7, HostArg arg8, ProgressSink* sink);
    // 1 when the user confirmed the settings, 0 otherwise.
    virtual std::int32_t Setup(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height);
    virtual bool CanSetup(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height);

    // Asks the host (5, 0), then shows `text` with the error icon, owned by `owner`.
    // A null text only asks the host; a null caption means "エラー". Uses no
    // state of a filter, so settings dialogs report through it too.
    static void ReportError(HWND owner, const char* text, const char* caption);

    // Texts any filter may show through ReportError.
    static constexpr char kInvalidSettingsText[] = "設定ファイルに書き込まれている値が不正です。";
    static constexpr char kSaveFailedText[] =
        "設定ファイルに書き込めませんでした。\n保存先のフォルダやファイルを確認してください。";

    const std::string& Name() const { return name; }
    const std::string& Category() const { return category; }

private:
    std::string name;
    std::string category;
};
