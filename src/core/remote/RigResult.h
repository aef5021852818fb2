#pragma once

// The result codes of Hamlib's network protocol that the panel answers with
// (the last line of an answer, "RPRT n").
namespace RigResult {
constexpr int Ok = 0;
constexpr int InvalidParameter = -1; // a value the transmitter cannot take
constexpr int IoError = -6;          // the serial port is closed: nothing was sent
constexpr int ProtocolError = -8;    // a line longer than the protocol allows
constexpr int NotAvailable = -11;    // what the transmitter cannot do
constexpr int Deprecated = -18;      // transceive mode, which Hamlib no longer offers
constexpr int Busy = -14;            // all client places are taken
constexpr int InvalidVfo = -16;      // the transmitter has one VFO, VFOA
} // namespace RigResult
