#pragma once

#include <vector>

#include "core/profile_store.h"
#include "platform/message.h"
#include "shell/register_setup.h"

// Settings as after a first start: failsafe values in memory and in the store, nothing written
// since.
struct StoredSettings {
    StoredSettings() : setup(store, directories()) {
        setup.SetFailsafeDefaults();
        setup.SaveAll();
        store.writeLog.clear();
    }
    static ProgramDirectories directories() {
        ProgramDirectories d;
        d.baseDirectory = "/tmp/kavro-base";
        d.backupDirectory = "/tmp/kavro-base/backup";
        return d;
    }
    bool written(const std::string& key) const {
        for (const auto& k : store.writeLog) {
            if (k == key) {
                return true;
            }
        }
        return false;
    }

    MemoryProfileStore store;
    CRegistersetup setup;
};

class RecordingSink final : public MessageSink {
public:
    void post(Message m) override { ids.push_back(m.id); }
    std::vector<std::uint32_t> ids;
};
