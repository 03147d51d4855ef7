// Shared set-up of the configuration tests: a fresh headless window, the settings
// state at its start values, and replies put into the field table.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "config/State.h"
#include "nmea/State.h"
#include "window/HeadlessWindow.h"

namespace qv::config::testing {

class ConfigWindow : public ::testing::Test {
protected:
    ConfigWindow() {
        FirmwareGeneration = 1;
        FixRateIndex = 0;
        QueryStep = 0;
    }

    // Fills the field table as the sentence splitter does: "PMTK001,314,3".
    static void Fields(std::string_view sentence) {
        std::memset(nmea::FieldTable, 0, sizeof nmea::FieldTable);
        int slot = 0;
        std::size_t start = 0;
        for (;;) {
            const auto comma = sentence.find(',', start);
            const auto piece = sentence.substr(start, comma - start);
            piece.copy(nmea::FieldTable[slot], nmea::kFieldSize - 1);
            if (comma == std::string_view::npos || ++slot == nmea::kFieldSlots) break;
            start = comma + 1;
        }
    }

    // Every control's visible state, to show that something changed nothing.
    std::vector<std::string> Snapshot() const {
        std::vector<std::string> out;
        for (int i = 0; i < kControlCount; ++i) {
            const auto c = static_cast<Ctl>(i);
            std::string s = w.Text(c) + '|' + std::to_string(w.Checked(c)) +
                            std::to_string(w.Enabled(c)) + '|' + std::to_string(w.ItemIndex(c)) +
                            '|' + std::to_string(w.ItemCount(c));
            out.push_back(std::move(s));
        }
        return out;
    }

    HeadlessWindow w;
};

}  // namespace qv::config::testing
