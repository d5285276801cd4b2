// The firmware's debug logs of a drive described with a UART log text (rack
// key uartLog, lines split at "\n"): the error log header and the UART ring
// in its DRAM where the DRAM layout reply puts them, and, with spiLog, the
// copies the firmware keeps in its SPI flash behind the log header.
//
//   error log   "ErLog01", u32 write index of the ring at 16, u16 head
//               mark at 26 (0: the ring has not wrapped)
//   UART ring   the text; each line end is 0xEA and two u16 values, the
//               line's number and 0, which open the next line
//   SPI flash   0: "QX849V00-001"; 20, 24: error log offset and length;
//               28, 32: UART log offset and length
#pragma once

namespace qx::sim {

class DriveModel;

// Nothing when the description has no UART log text.
void LayOutFirmwareLogs(DriveModel& m);

}  // namespace qx::sim
