#pragma once
// The named values a host keeps for a control between runs. A value equal to
// its default is not stored, so a bag holds only what differs from a new
// instance; reading an absent key gives the default back.
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <variant>

#include "controls/Font.h"

namespace nimbrel::controls {

// Raised when a stored value cannot be read as the type asked for. The
// control passes it on to its host; values read before it keep their new
// values.
class PropertyBagError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PropertyBag {
public:
    // Fonts are stored by value: the bag keeps its own copy, and reading
    // gives a new font object. A null font is stored as "no font".
    using Value = std::variant<bool, int32_t, double, std::string, FontRef>;

    bool ReadBool(const std::string& name, bool def) const;
    int16_t ReadInt(const std::string& name, int16_t def) const;  // 16-bit
    int32_t ReadLong(const std::string& name, int32_t def) const;
    double ReadDouble(const std::string& name, double def) const;  // also date-times
    std::string ReadString(const std::string& name, const std::string& def) const;
    FontRef ReadFont(const std::string& name, const FontRef& def) const;

    void WriteBool(const std::string& name, bool value, bool def);
    void WriteInt(const std::string& name, int16_t value, int16_t def) { WriteLong(name, value, def); }
    void WriteLong(const std::string& name, int32_t value, int32_t def);
    void WriteDouble(const std::string& name, double value, double def);
    void WriteString(const std::string& name, const std::string& value, const std::string& def);
    void WriteFont(const std::string& name, const FontRef& value, const FontRef& def);

    // Stores a value as it is, without comparing it with a default (for a
    // host loading saved values, and for tests).
    void Set(const std::string& name, Value value) { values_[name] = std::move(value); }
    bool Contains(const std::string& name) const { return values_.count(name) != 0; }
    const std::map<std::string, Value>& Values() const { return values_; }
    size_t Size() const { return values_.size(); }
    void Clear() { values_.clear(); }

private:
    const Value* Find(const std::string& name) const;
    std::map<std::string, Value> values_;
};

}  // namespace nimbrel::controls
