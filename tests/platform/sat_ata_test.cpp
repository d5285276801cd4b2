// Reading an ATA command's answer from a SAT layer: the registers in each
// sense format, byte for byte as kernels and bridges return them, and the
// verdict drawn from them.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/sat_ata.h"

namespace qx::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Fixed sense padded to the 32 bytes the backend offers the kernel.
Bytes Padded(Bytes b) {
    b.resize(32, 0);
    return b;
}

TEST(SatSense, RegistersInEachFormat) {
    struct Case {
        const char* name;
        Bytes sense;
        std::optional<TaskFile> current;
        TaskFile previous;
        bool ext48;
        bool upperLost;
    };
    const Case cases[] = {
        {"descriptor, 48-bit: READ NATIVE MAX EXT of 0x1FFFFFFF",
         {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0x0E,
          0x09, 0x0C, 0x01, 0x00, 0x00, 0x00, 0x1F, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x40, 0x50},
         TaskFile{0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x40, 0x50, 0}, TaskFile{0, 0x00, 0x1F, 0x00, 0x00, 0, 0, 0}, true,
         false},
        {"descriptor after another descriptor",
         {0x72, 0x0B, 0x00, 0x00, 0, 0, 0, 0x12, 0x02, 0x02, 0xAB, 0xCD,
          0x09, 0x0C, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x51},
         TaskFile{0x04, 0x01, 0x00, 0x00, 0x00, 0xE0, 0x51, 0}, TaskFile{}, false, false},
        {"Linux 6.1, D_SENSE=0: a refused NOP",
         Padded({0x70, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x04, 0x41, 0x40, 0x00}),
         TaskFile{0x04, 0x00, 0x00, 0x00, 0x00, 0x40, 0x41, 0}, TaskFile{}, false, false},
        {"Linux 6.1, D_SENSE=0: READ DMA EXT past 2^28 runs off the end",
         Padded({0x70, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x10, 0x51, 0x40, 0x01,
                 0x21, 0x00, 0x00, 0x00, 0xA0, 0x00, 0x00, 0x00}),
         TaskFile{0x10, 0x01, 0x00, 0x00, 0x00, 0x40, 0x51, 0}, TaskFile{}, false, true},
        {"Linux 6.1, D_SENSE=0: status 58h of a PIO data-in with CK_COND",
         Padded({0x70, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x58, 0x40, 0x01}),
         TaskFile{0x00, 0x01, 0x00, 0x00, 0x00, 0x40, 0x58, 0}, TaskFile{}, false, false},
        {"SAT layout, VALID set, LBA at 9-11",
         {0xF0, 0x00, 0x0B, 0x04, 0x51, 0xE0, 0x02, 0x0A, 0x00, 0x33, 0x22, 0x11, 0x00, 0x1D, 0, 0, 0, 0},
         TaskFile{0x04, 0x02, 0x33, 0x22, 0x11, 0xE0, 0x51, 0}, TaskFile{}, false, false},
        {"SAT layout, 48-bit with upper bytes zero",
         {0xF0, 0x00, 0x01, 0x00, 0x50, 0x40, 0x00, 0x0A, 0x80, 0xFF, 0xFF, 0xFF, 0x00, 0x1D, 0, 0, 0, 0},
         TaskFile{0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x40, 0x50, 0}, TaskFile{}, false, false},
        // What a SCSI-only disk answers to ATA PASS-THROUGH (QEMU's USB disk).
        {"illegal request, invalid opcode", Padded({0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x20, 0x00}),
         std::nullopt, TaskFile{}, false, false},
        {"unit attention", Padded({0x70, 0, 0x06, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x29, 0x00}), std::nullopt,
         TaskFile{}, false, false},
        {"too short", {0x72, 0, 0}, std::nullopt, TaskFile{}, false, false},
        {"descriptor list claiming more than it holds", {0x72, 0x01, 0, 0, 0, 0, 0, 40, 0x09, 0x0C, 0, 0},
         std::nullopt, TaskFile{}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = DecodeAtaSense(c.sense);
        ASSERT_EQ(r.has_value(), c.current.has_value());
        if (!r) continue;
        EXPECT_EQ(r->current, *c.current);
        EXPECT_EQ(r->previous, c.previous);
        EXPECT_EQ(r->ext48, c.ext48);
        EXPECT_EQ(r->upperLost, c.upperLost);
    }
}

TEST(SatSense, TheVerdict) {
    struct Case {
        const char* name;
        Direction dir;
        std::uint8_t status;
        Bytes sense;
        bool failed;
        bool registers;
        std::uint8_t error;   // returned error register
    };
    const Bytes refusedNop = Padded({0x70, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x04, 0x41, 0x40, 0x00});
    const Bytes pastEnd = Padded({0x70, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x10, 0x51, 0x40, 0x01,
                                  0x21, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00});
    const Bytes drqLeft = Padded({0x70, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x58, 0x40, 0x01});
    const Bytes recovered = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0x0E,
                             0x09, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F, 0x00, 0xC2, 0x40, 0x50};
    const Bytes faultNoErr = {0x72, 0x04, 0x44, 0x00, 0, 0, 0, 0x0E,
                              0x09, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x70};
    const Bytes busy = {0x72, 0x0B, 0x47, 0x00, 0, 0, 0, 0x0E,
                        0x09, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0xD0};
    const Bytes timedOut = {0x72, 0x0B, 0x00, 0x00, 0, 0, 0, 0x0E,
                            0x09, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x50};
    const Bytes scsiOnly = Padded({0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x20, 0x00});
    const Case cases[] = {
        {"non-data refused, fixed", Direction::None, 2, refusedNop, true, true, 0x04},
        {"data command past the end, fixed", Direction::Out, 2, pastEnd, true, true, 0x10},
        {"non-data done, registers returned", Direction::None, 2, recovered, false, true, 0x00},
        {"status 58h: no ERR, no DF", Direction::None, 2, drqLeft, false, true, 0x00},
        {"device fault without ERR", Direction::None, 2, faultNoErr, true, true, 0x00},
        {"BSY: the registers mean nothing, the key decides", Direction::None, 2, busy, true, false, 0x00},
        {"data command ended with CHECK CONDITION, status clean", Direction::In, 2, timedOut, true, true, 0x00},
        {"data command done", Direction::In, 0, {}, false, false, 0x00},
        {"refused before it reached a drive", Direction::In, 2, scsiOnly, true, false, 0x00},
        {"busy target", Direction::None, 0x08, {}, true, false, 0x00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AtaCommand cmd;
        cmd.dir = c.dir;
        ScsiResult answer;
        answer.ok = true;
        answer.status = c.status;
        std::copy(c.sense.begin(), c.sense.end(), answer.sense.begin());
        answer.senseLength = static_cast<std::uint8_t>(c.sense.size());
        const AtaResult r = AtaResultFromScsi(cmd, answer);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ((r.current[kTfStatus] & kAtaStatusErr) != 0, c.failed);
        EXPECT_EQ(r.registers, c.registers);
        EXPECT_EQ(r.current[kTfError], c.error);
        if (!c.registers) {
            EXPECT_EQ(r.current[kTfStatus], c.failed ? 0x51 : 0x50);
        }
    }

    // A failed system call carries its error and no verdict.
    ScsiResult failed;
    failed.error = 19;
    const AtaResult r = AtaResultFromScsi(AtaCommand{}, failed);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, 19);
}

}  // namespace
}  // namespace qx::platform
