#include "base/Translate.h"

#include <atomic>
#include <vector>

namespace nimbrel {
namespace {

// Read from the fetch worker as well as the window's thread.
std::atomic<TranslateHook> g_hook{nullptr};

}  // namespace

void SetTranslateHook(TranslateHook hook) {
    g_hook.store(hook);
}

std::string Translated(const char* context, const char* text) {
    const TranslateHook hook = g_hook.load();
    return hook ? hook(context, text) : std::string(text);
}

std::string FillIn(const std::string& pattern, std::initializer_list<std::string> values) {
    const std::vector<std::string> v(values);
    std::string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const size_t n = size_t(pattern[i + 1] - '1');
            if (n < v.size()) {
                out += v[n];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

}  // namespace nimbrel
