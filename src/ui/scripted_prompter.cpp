#include "ui/scripted_prompter.h"

namespace qx::ui {


std::optional<ScriptedAnswer> ScriptedPrompter::Next(const PromptRecord& record) {
    std::function<void(const PromptRecord&)> hook;
    std::optional<ScriptedAnswer> answer;
    {
        std::lock_guard lock(mutex_);
        records_.push_back(record);
        hook = hook_;
        if (!answers_.empty()) {
            answer = std::move(answers_.front());
            answers_.pop_front();
        }
    }
    if (hook) hook(record);
    return answer;
}

BoxAnswer ScriptedPrompter::Box(const BoxRequest& request) {
    PromptRecord r;
    r.kind = PromptKind::Box;
    r.caption = request.caption;
    r.text = request.text;
    r.icon = request.icon;
    r.buttons = request.buttons;
    auto a = Next(r);
    if (a && std::holds_alternative<BoxAnswer>(*a)) return std::get<BoxAnswer>(*a);
    return DefaultAnswer(request.buttons);
}

std::optional<std::string> ScriptedPrompter::Input(const InputRequest& request) {
    PromptRecord r;
    r.kind = PromptKind::Input;
    r.caption = request.caption;
    r.text = request.prompt;
    r.input = request;
    auto a = Next(r);
    if (a && std::holds_alternative<std::optional<std::string>>(*a)) return std::get<std::optional<std::string>>(*a);
    return std::nullopt;
}

std::optional<std::string> ScriptedPrompter::File(const FileRequest& request) {
    PromptRecord r;
    r.kind = PromptKind::File;
    r.caption = request.caption;
    r.text = request.fileName;
    r.file = request;
    auto a = Next(r);
    if (a && std::holds_alternative<std::optional<std::string>>(*a)) return std::get<std::optional<std::string>>(*a);
    return std::nullopt;
}

std::optional<BarcodeAnswer> ScriptedPrompter::Barcode(const BarcodeRequest& request) {
    PromptRecord r;
    r.kind = PromptKind::Barcode;
    r.caption = request.caption;
    r.text = request.label1;
    r.barcode = request;
    auto a = Next(r);
    if (a && std::holds_alternative<std::optional<BarcodeAnswer>>(*a)) return std::get<std::optional<BarcodeAnswer>>(*a);
    return std::nullopt;
}

void ScriptedPrompter::Answer(ScriptedAnswer answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(std::move(answer));
}

void ScriptedPrompter::OnPrompt(std::function<void(const PromptRecord&)> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<PromptRecord> ScriptedPrompter::Records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<std::string> ScriptedPrompter::Texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& r : records_) out.push_back(r.text);
    return out;
}

void ScriptedPrompter::Clear() {
    std::lock_guard lock(mutex_);
    records_.clear();
    answers_.clear();
}

}  // namespace qx::ui
