#include "controls/PropertyBag.h"

#include <cmath>
#include <limits>

#include "base/DateTime.h"

namespace nimbrel::controls {

namespace {

[[noreturn]] void Mismatch(const std::string& name, const char* type) {
    throw PropertyBagError("property \"" + name + "\" cannot be read as " + type);
}

// Whole numbers kept as doubles (a host that stores every number as a
// double) convert when they fit; anything else is a type mismatch.
bool ToWhole(const PropertyBag::Value& v, double lo, double hi, int64_t& out) {
    if (auto* i = std::get_if<int32_t>(&v)) {
        out = *i;
    } else if (auto* b = std::get_if<bool>(&v)) {
        out = *b ? -1 : 0;
    } else if (auto* d = std::get_if<double>(&v)) {
        if (!std::isfinite(*d)) return false;
        double r = RoundHalfEven(*d);
        if (r < lo || r > hi) return false;
        out = int64_t(r);
    } else {
        return false;
    }
    return out >= lo && out <= hi;
}

FontRef CopyFont(const FontRef& f) {
    return f ? std::make_shared<Font>(*f) : nullptr;
}

bool SameFont(const FontRef& a, const FontRef& b) {
    if (!a || !b) return a == b;
    return *a == *b;
}

}  // namespace

const PropertyBag::Value* PropertyBag::Find(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

bool PropertyBag::ReadBool(const std::string& name, bool def) const {
    const Value* v = Find(name);
    if (!v) return def;
    if (auto* b = std::get_if<bool>(v)) return *b;
    int64_t n;
    if (!ToWhole(*v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), n))
        Mismatch(name, "a boolean");
    return n != 0;
}

int16_t PropertyBag::ReadInt(const std::string& name, int16_t def) const {
    const Value* v = Find(name);
    if (!v) return def;
    int64_t n;
    if (!ToWhole(*v, -32768, 32767, n)) Mismatch(name, "a 16-bit integer");
    return int16_t(n);
}

int32_t PropertyBag::ReadLong(const std::string& name, int32_t def) const {
    const Value* v = Find(name);
    if (!v) return def;
    int64_t n;
    if (!ToWhole(*v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), n))
        Mismatch(name, "a 32-bit integer");
    return int32_t(n);
}

double PropertyBag::ReadDouble(const std::string& name, double def) const {
    const Value* v = Find(name);
    if (!v) return def;
    if (auto* d = std::get_if<double>(v)) return *d;
    if (auto* i = std::get_if<int32_t>(v)) return *i;
    Mismatch(name, "a number");
}

std::string PropertyBag::ReadString(const std::string& name, const std::string& def) const {
    const Value* v = Find(name);
    if (!v) return def;
    if (auto* s = std::get_if<std::string>(v)) return *s;
    Mismatch(name, "a text");
}

FontRef PropertyBag::ReadFont(const std::string& name, const FontRef& def) const {
    const Value* v = Find(name);
    if (!v) return def;
    if (auto* f = std::get_if<FontRef>(v)) return CopyFont(*f);
    Mismatch(name, "a font");
}

void PropertyBag::WriteBool(const std::string& name, bool value, bool def) {
    if (value == def)
        values_.erase(name);
    else
        values_[name] = value;
}

void PropertyBag::WriteLong(const std::string& name, int32_t value, int32_t def) {
    if (value == def)
        values_.erase(name);
    else
        values_[name] = value;
}

void PropertyBag::WriteDouble(const std::string& name, double value, double def) {
    if (value == def)
        values_.erase(name);
    else
        values_[name] = value;
}

void PropertyBag::WriteString(const std::string& name, const std::string& value, const std::string& def) {
    if (value == def)
        values_.erase(name);
    else
        values_[name] = value;
}

void PropertyBag::WriteFont(const std::string& name, const FontRef& value, const FontRef& def) {
    if (SameFont(value, def))
        values_.erase(name);
    else
        values_[name] = CopyFont(value);
}

}  // namespace nimbrel::controls
