// The smallest C++ DLL this toolchain builds with exceptions and the static
// runtime: what any such module costs per load and unload, to tell the
// plug-in's own leaks from the runtime's.
#include <windows.h>

#include <stdexcept>
#include <string>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __freeres();
}
namespace {
struct RuntimeTeardown {
    ~RuntimeTeardown() { __gnu_cxx::__freeres(); }
} runtimeTeardown;
}  // namespace
#endif

extern "C" __declspec(dllexport) int __stdcall BaselineWork(int n)
{
    try {
        std::string text(static_cast<std::size_t>(n), 'x');
        if (n < 0)
            throw std::runtime_error(text);
        return static_cast<int>(text.size());
    } catch (const std::exception&) {
        return -1;
    }
}
