#include "ui/unattended_prompter.h"

namespace qx::ui {

void UnattendedPrompter::Line(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

BoxAnswer UnattendedPrompter::Box(const BoxRequest& request) {
    Line(request.text);
    return DefaultAnswer(request.buttons);
}

std::optional<std::string> UnattendedPrompter::Input(const InputRequest& request) {
    Line(request.prompt);
    return std::nullopt;
}

std::optional<std::string> UnattendedPrompter::File(const FileRequest&) { return std::nullopt; }

std::optional<BarcodeAnswer> UnattendedPrompter::Barcode(const BarcodeRequest& request) {
    Line(request.caption);
    return std::nullopt;
}

}  // namespace qx::ui
