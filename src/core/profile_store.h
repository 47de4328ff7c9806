#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// The named values of the station's settings section: integers and texts.
// A missing key, or one that cannot be read as the asked type, reads as nullopt.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual std::optional<int> readInt(const std::string& key) const = 0;
    virtual std::optional<std::string> readString(const std::string& key) const = 0;
    virtual void writeInt(const std::string& key, int value) = 0;
    virtual void writeString(const std::string& key, const std::string& value) = 0;
    virtual void deleteSection() = 0;
    virtual void flush() {}  // make what was written survive a crash

    int readInt(const std::string& key, int fallback) const {
        return readInt(key).value_or(fallback);
    }
    std::string readString(const std::string& key, const std::string& fallback) const {
        return readString(key).value_or(fallback);
    }
};

// For tests and for runs that must not touch the operator's settings.
class MemoryProfileStore final : public ProfileStore {
public:
    using ProfileStore::readInt;
    using ProfileStore::readString;

    struct Value {
        bool isInt = false;
        int number = 0;
        std::string text;
    };

    std::optional<int> readInt(const std::string& key) const override {
        auto it = values.find(key);
        if (it == values.end() || !it->second.isInt) {
            return std::nullopt;
        }
        return it->second.number;
    }
    std::optional<std::string> readString(const std::string& key) const override {
        auto it = values.find(key);
        if (it == values.end()) {
            return std::nullopt;
        }
        return it->second.isInt ? std::to_string(it->second.number) : it->second.text;
    }
    void writeInt(const std::string& key, int value) override {
        values[key] = {true, value, {}};
        writeLog.push_back(key);
    }
    void writeString(const std::string& key, const std::string& value) override {
        values[key] = {false, 0, value};
        writeLog.push_back(key);
    }
    void deleteSection() override { values.clear(); }

    std::map<std::string, Value> values;
    std::vector<std::string> writeLog;  // keys in the order they were written
};
