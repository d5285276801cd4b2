// One production worker: the fixed step sequence on one port's drive. It
// reads its own port record (a copy taken at its start) and its own
// WorkerContext, writes the record and the panel only through its
// PortChannel, and never waits for the window thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "qxlib/discovery/port_record.h"
#include "qxlib/error_items/item_numbers.h"
#include "station/run/batch_flags.h"
#include "station/run/port_channel.h"
#include "station/run/step_ops.h"
#include "station/run/worker_context.h"
#include "station/run/worker_hooks.h"

namespace qx::station {

// Panel colours, 0x00BBGGRR.
inline constexpr std::uint32_t kYellow = 0x00FFFF;
inline constexpr std::uint32_t kRed = 0x0000FF;
inline constexpr std::uint32_t kGreen = 0x008000;
inline constexpr std::uint32_t kLime = 0x00FF00;

// What the run controller gives each worker besides its context.
struct WorkerSetup {
    int port = 0;
    bool rebuildOnly = false;
    bool specialMode = false;
    std::uint32_t watchdogMs = 300'000;
    std::string programFolder;   // ends with a separator
    std::string barcodeSerial;   // the port's scanned serial number, for "Serial Number Check"
};

class ProductionWorker {
public:
    ProductionWorker(const WorkerSetup& setup, WorkerContext context, StepOps& ops, PortChannel& channel,
                     const WorkerHooks& hooks, BatchFlags& batch);

    // The thread body; ends by moving the port to Finished unless it was
    // killed, then calls ended (posted to the window by the caller's wish).
    void Run();

    // The read/write tests with their own gauge (also used by the engine's
    // tests): cycles of a pattern write pass and, unless writeOnly, a read
    // pass over percent of the capacity.
    bool RWTestPercentageWithProgress(std::uint16_t cycles, bool writeOnly, std::uint16_t percent);
    bool RTestCompareWithZeroValue(std::uint16_t percent);

private:
    // Step protocol.
    enum StepFlag : unsigned {
        kClear = 1,        // zero the first 64 KB of scratch before the call
        kNoDetail = 2,     // no detail text is kept on a failure
        kNoGauge = 4,      // the step makes no gauge step
        kUntouched = 8,    // a step that is not enabled keeps its status
        kEndOnFail = 16,   // a failure ends the worker at once, without a gauge step
    };
    // call returns 0 on a pass, else the failure item. Step runs the step
    // when its own enable flag is set, StepWhen when enabled says so.
    bool StepWhen(item::Number item, bool enabled, unsigned flags, const std::function<int()>& call);
    bool Step(item::Number item, unsigned flags, const std::function<int()>& call) {
        return StepWhen(item, Enabled(item), flags, call);
    }
    // A step whose call passes or fails with the step's own item.
    bool StepOk(item::Number item, unsigned flags, const std::function<bool()>& ok) {
        return Step(item, flags, [&] { return ok() ? 0 : static_cast<int>(item); });
    }
    bool Enabled(item::Number item) const;
    void SetStatus(item::Number item, StepStatus status);
    void Fail(int item, bool detail);
    void GaugeStep();

    void Start();
    bool PreChecks();
    void Steps();
    void SecondHalf();
    void End();

    int DramTest();
    int TableCheck(item::Number item, std::uint32_t limit);
    int FormatSequence();
    int CopyImage();
    void IdentityRead();
    int SerialCheck() const;
    void SysFwCheck();
    int WritePpid();
    int CheckPpid();
    int CheckSataSpeed();
    void TouchFile(const char* name, const char* traceFormat);

    WorkerSetup setup_;
    WorkerContext ctx_;
    StepOps& ops_;
    PortChannel& channel_;
    const WorkerHooks& hooks_;
    BatchFlags& batch_;
    PortRecord rec_{};          // the record as the run started it
    bool failed_ = false;
    int gauge_ = 0;

    // The identity read's texts, zero-terminated.
    char model_[41] = {};
    char firmware_[9] = {};
    char vendor_[9] = {};
    char product_[17] = {};
    char serial_[21] = {};
};

}  // namespace qx::station
