#include "plugin/FilterRegistry.h"

#include <cstring>
#include <cwchar>
#include <exception>
#include <new>

#include "plugin/SettingsPath.h"
#include "plugin/TextCopy.h"

namespace {

FilterRegistry theRegistry;

constexpr char kExceptionHead[] = "設定ダイアログで例外が発生しました。\n処理を中断します。";
constexpr std::size_t kExceptionMessageSize = 512;

// The profile functions take ANSI paths, and a folder name may hold characters
// outside the ANSI code page: the system gives '?' for them, or a look-alike
// ("Café" becomes "Cafe", a yen sign a backslash) that names another folder.
// The ANSI folder is the module's only if it turns back into its own name.
bool IsModuleFolder(HINSTANCE module, const char* folder, std::size_t length)
{
    wchar_t wide[MAX_PATH], back[MAX_PATH];
    const DWORD wideLength = GetModuleFileNameW(module, wide, MAX_PATH);
    if (wideLength == 0 || wideLength >= MAX_PATH)
        return false;
    std::size_t wideFolder = wideLength;
    while (wideFolder > 0 && wide[wideFolder - 1] != L'\\')
        --wideFolder;
    const int backLength = MultiByteToWideChar(CP_ACP, 0, folder, static_cast<int>(length), back, MAX_PATH);
    return backLength > 0 && static_cast<std::size_t>(backLength) == wideFolder &&
           std::wmemcmp(wide, back, wideFolder) == 0;
}

}  // namespace

FilterRegistry* registry = &theRegistry;

bool AnsiIsLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

FilterRegistry::~FilterRegistry()
{
    Clear();
}

bool FilterRegistry::Initialize(HINSTANCE module)
{
    moduleHandle = module;
    Clear();
    if (!BuildFilters())
        return false;
    for (Filter* filter : filters) {
        if (!filter) {
            Clear();
            return false;
        }
    }
    return true;
}

void FilterRegistry::Append(Filter* filter)
{
    try {
        filters.push_back(filter);
    } catch (...) {
        delete filter;  // owned from the call on, even when the list cannot grow
        throw;
    }
}

void FilterRegistry::Clear()
{
    for (Filter* filter : filters)
        delete filter;
    filters.clear();
}

bool FilterRegistry::BuildFilters()
{
    // No exception may leave the attach handler: a nothrow allocation covers
    // a filter object itself, not what its constructor allocates (the name
    // texts), nor the list's growth. Either failing refuses the load.
    try {
        AppendAllFilters(*this);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

const char* FilterRegistry::NameAt(std::uint32_t index) const
{
    return IsValidIndex(index) ? filters[index]->Name().c_str() : "";
}

const char* FilterRegistry::CategoryAt(std::uint32_t index) const
{
    return IsValidIndex(index) ? filters[index]->Category().c_str() : "";
}

void FilterRegistry::ExecuteAt(std::uint32_t index, HostArg arg1, HostArg arg2, HostArg arg3, HostArg arg4,
                               HostArg arg5, HostArg arg6, HostArg arg7, HostArg arg8, ProgressSink* sink)
{
    if (IsValidIndex(index))
        filters[index]->Execute(arg1, arg2, arg3, arg4, arg5, arg6, arg7, arg8, sink);
}

std::int32_t FilterRegistry::SetupAt(std::uint32_t index, HWND parent, Bgra32* pixels, std::int32_t width,
                                     std::int32_t height)
{
    if (!IsValidIndex(index))
        return 0;
    try {
        return filters[index]->Setup(parent, pixels, width, height);
    } catch (const std::exception& e) {
        char message[kExceptionMessageSize];
        ComposeExceptionMessage(message, sizeof message, kExceptionHead, e.what(), AnsiIsLeadByte);
        MessageBoxA(parent, message, "exception", MB_ICONERROR);
        return 0;
    }
}

std::int32_t FilterRegistry::QueryHost(std::int32_t code, std::int32_t value)
{
    // The executable by handle, not by path: its ANSI path cannot be loaded
    // from a folder outside the code page or beyond 260 bytes. The reference
    // keeps it loaded through the call, as loading it by name did.
    HMODULE host = nullptr;
    if (!GetModuleHandleExW(0, nullptr, &host))
        return 0;
    std::int32_t result = 0;
    if (auto query = reinterpret_cast<QueryClientInfoProc>(reinterpret_cast<void (*)()>(GetProcAddress(host, kHostQueryName))))
        result = query(code, value);
    FreeLibrary(host);
    return result;
}

char* FilterRegistry::GetSettingsPath(char* buffer, std::uint32_t size) const
{
    if (size == 0)
        return buffer;
    DWORD length = GetModuleFileNameA(moduleHandle, buffer, size);
    if (length == 0) {
        buffer[0] = '\0';
        return buffer;
    }
    if (DeriveSettingsPath(buffer, size, length, AnsiIsLeadByte) &&
        !IsModuleFolder(moduleHandle, buffer, std::strlen(buffer) - (sizeof(kSettingsFileName) - 1)))
        buffer[0] = '\0';
    return buffer;
}
