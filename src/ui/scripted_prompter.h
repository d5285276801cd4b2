// A Prompter for tests and unattended runs: it records every request with its
// exact texts and answers from a queue of scripted answers. With the queue
// empty a box answers its first button, an input or a file dialog is
// cancelled and a bar-code entry is cancelled, so a missing answer shows up
// as a cancel rather than a hang.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ui/prompter.h"

namespace qx::ui {

enum class PromptKind { Box, Input, File, Barcode };

struct PromptRecord {
    PromptKind kind = PromptKind::Box;
    std::string caption;
    std::string text;        // box text, input prompt, file name, first bar-code label
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
    InputRequest input;
    FileRequest file;
    BarcodeRequest barcode;
};

// One scripted answer; the kind must match the request it answers.
using ScriptedAnswer = std::variant<BoxAnswer, std::optional<std::string>, std::optional<BarcodeAnswer>>;

class ScriptedPrompter : public Prompter {
public:
    BoxAnswer Box(const BoxRequest& request) override;
    std::optional<std::string> Input(const InputRequest& request) override;
    std::optional<std::string> File(const FileRequest& request) override;
    std::optional<BarcodeAnswer> Barcode(const BarcodeRequest& request) override;

    void Answer(ScriptedAnswer answer);
    // Called with each request as it is recorded, before it is answered.
    void OnPrompt(std::function<void(const PromptRecord&)> hook);

    std::vector<PromptRecord> Records() const;
    std::vector<std::string> Texts() const;   // the text of every record, in order
    void Clear();

private:
    std::optional<ScriptedAnswer> Next(const PromptRecord& record);

    mutable std::mutex mutex_;
    std::deque<ScriptedAnswer> answers_;
    std::vector<PromptRecord> records_;
    std::function<void(const PromptRecord&)> hook_;
};

}  // namespace qx::ui
