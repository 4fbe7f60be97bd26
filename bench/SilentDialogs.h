#pragma once

// Dialogs for benchmarks that run the main window: every box is answered at once and nothing
// is shown.
#include "editor/Dialogs.h"

class SilentDialogs : public tv::IDialogs {
public:
    void MessageBox(const std::string&) override {}
    void ErrorBox(const std::string&, const std::string&) override {}
    std::optional<std::string> FileName(const tv::TFileDialogRequest&) override { return {}; }
    std::optional<uint32_t> Color(uint32_t) override { return {}; }
    tv::TSaveChoice AskSave(const std::string&) override { return tv::TSaveChoice::Cancel; }
    bool AskYesNo(const std::string&) override { return false; }
    tv::TRecoveryChoice AskRecovery(const std::string&) override {
        return tv::TRecoveryChoice::Later;
    }
};
