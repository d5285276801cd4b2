// A device backend that passes every request to the real one and keeps the
// last ATA task file sent and the registers that came back, so the probe can
// show what a builder's command carried to the disk and what the disk said,
// though the builder itself returns only its verdict.
#pragma once

#include <memory>
#include <utility>

#include "platform/device_io.h"

namespace qx::probe {

struct LastAta {
    platform::AtaCommand sent;
    platform::AtaResult answer;
    bool seen = false;
};

class RecordingIo final : public platform::DeviceIo {
public:
    explicit RecordingIo(platform::DeviceIo& real) : real_(real) {}
    platform::OpenResult Open(std::string_view path, platform::ShareMode mode) override {
        return Wrap(real_.Open(path, mode));
    }
    platform::OpenResult OpenWaiting(std::string_view path, platform::ShareMode mode,
                                     std::chrono::milliseconds wait) override {
        return Wrap(real_.OpenWaiting(path, mode, wait));
    }
    const LastAta& Last() const { return last_; }
    void Forget() { last_ = {}; }

private:
    class Handle final : public platform::DeviceHandle {
    public:
        Handle(std::unique_ptr<platform::DeviceHandle> real, LastAta& last) : real_(std::move(real)), last_(last) {}
        platform::ScsiResult Scsi(const platform::ScsiCommand& cmd) override { return real_->Scsi(cmd); }
        platform::AtaResult Ata(const platform::AtaCommand& cmd) override {
            last_.sent = cmd;
            last_.sent.data = {};
            last_.answer = real_->Ata(cmd);
            last_.seen = true;
            return last_.answer;
        }

    private:
        std::unique_ptr<platform::DeviceHandle> real_;
        LastAta& last_;
    };

    platform::OpenResult Wrap(platform::OpenResult r) {
        if (r.handle) r.handle = std::make_unique<Handle>(std::move(r.handle), last_);
        return r;
    }

    platform::DeviceIo& real_;
    LastAta last_;
};

}  // namespace qx::probe
