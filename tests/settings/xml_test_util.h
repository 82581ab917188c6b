#pragma once
// An owner with a file source in a private folder, and a control that counts its refreshes.

#include "settings/xml_val_source.h"
#include "settings/xml_value.h"
#include "settings_test_util.h"

#include <string>
#include <vector>

namespace keltrix::testing {

struct TXMLFixtureOwner : TComponent {
    explicit TXMLFixtureOwner(const std::string& fileName) : TComponent(nullptr, "Owner") {
        Source.SetFileName(fileName);
    }
    TXMLValSourceFile Source{this, "Source"};
};

// Records the order of refreshes and change events in one log.
struct TRecordingControl : IXMLLinkedControl {
    explicit TRecordingControl(std::vector<std::string>& log) : Log(log) {}
    void XMLRefresh() override { Log.push_back("refresh"); }
    std::vector<std::string>& Log;
    TXMLControlLink Link{*this};
};

inline const std::string kEmptyConfig =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configuration />\n";

} // namespace keltrix::testing
