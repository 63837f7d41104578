#include "feeds/JsonDepth.h"

#include "base/Translate.h"

namespace nimbrel {

int JsonNesting(std::string_view text, int limit) {
    int depth = 0, deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            // An escaped quote or backslash never ends the string; what the
            // escape stands for is the parser's business.
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
            case '"':
                inString = true;
                break;
            case '[':
            case '{':
                if (++depth > deepest) deepest = depth;
                if (deepest > limit) return limit + 1;
                break;
            case ']':
            case '}':
                // Unbalanced closing brackets make the text invalid; the
                // parser says so. They must not let a later run go deeper
                // unseen.
                if (depth > 0) --depth;
                break;
            default:
                break;
        }
    }
    return deepest;
}

nlohmann::json ParseShallowJson(const std::string& text, std::string& why) {
    why.clear();
    if (JsonNesting(text) > kMaxJsonDepth) {
        why = FillIn(Translated("JsonDepth", QT_TRANSLATE_NOOP("JsonDepth", "nests deeper than %1 levels")),
                     {std::to_string(kMaxJsonDepth)});
        return nlohmann::json(nlohmann::json::value_t::discarded);
    }
    nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    if (parsed.is_discarded()) why = kNotJson;
    return parsed;
}

}  // namespace nimbrel
