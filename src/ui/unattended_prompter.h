// The prompter of a run nobody watches (no display): each box's text goes to
// the output as one line and the box is answered at once with its first
// button; inputs, file dialogs and bar-code entries are cancelled.
#pragma once

#include <cstdio>

#include "ui/prompter.h"

namespace qx::ui {

class UnattendedPrompter final : public Prompter {
public:
    explicit UnattendedPrompter(std::FILE* out = stdout) : out_(out) {}
    BoxAnswer Box(const BoxRequest& request) override;
    std::optional<std::string> Input(const InputRequest& request) override;
    std::optional<std::string> File(const FileRequest& request) override;
    std::optional<BarcodeAnswer> Barcode(const BarcodeRequest& request) override;

private:
    void Line(const std::string& text);
    std::FILE* out_;
};

}  // namespace qx::ui
