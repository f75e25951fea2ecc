// tivrel-report's text: the listing, the reports with their matrices, and the
// messages for standard error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/device_report.h"

namespace tivrel {

// Bytes safe to show on a terminal: control characters (C0, DEL, C1) and bytes
// that are not UTF-8 become \xNN, a backslash becomes \\.
std::string EscapeControls(std::string_view utf8);
// Report lines for a terminal: each escaped, its CR LF kept.
std::string TerminalText(const std::vector<std::u16string>& lines);
// "hw:0,0 PCH" on Linux, "waveOut 0" (or "waveIn 0") on Windows.
std::string LocationText(const DeviceListing& listing);
// Whom a matrix speaks for: the device itself, the system's mixer in front of
// it, or the device's endpoint in exclusive mode.
enum class MatrixSource { kDevice, kMixer, kExclusive };
// The matrix as lines of text with CR LF under a heading that says whom it
// speaks for: per format and channel count the accepted rates, runs of the
// rate list joined, equal neighbouring channel counts joined.
std::vector<std::u16string> MatrixLines(const FormatMatrix& matrix,
                                        MatrixSource source = MatrixSource::kDevice);
// The endpoint's name, whether it is the default and its mix format, as
// lines with CR LF.
std::vector<std::u16string> EndpointLines(const Endpoint& endpoint);
// Why an endpoint could not be asked, from its result code (an HRESULT).
std::u16string EndpointFailureReason(uint32_t result);

// A failed query for standard error: the device (as the service names it,
// else by number), the reason the window shows, and the system's own words
// when the service gave them.
std::string FailureMessage(const ProbeResult& probe, uint32_t device = 0);
// What standard error says of one device: the query's failure or else the
// matrix's, or that it was in use and described rather than measured; empty
// when there is nothing to say.
std::string DeviceMessages(const DeviceReport& device);
// The message for output that could not be written; `systemText` says why.
std::string OutputFailedMessage(const std::string& systemText);

// --list: number, location, name, a line each; device 0's says why it is 0.
std::string ListText(const DeviceReports& reports);
// One device's report (and matrix) on `out`, its failures on `err`.
void WriteDeviceText(const DeviceReport& device, std::string& out, std::string& err);
// --all: each device under a heading, a failed one with its failure line.
void WriteAllText(const std::vector<DeviceReport>& devices, std::string& out, std::string& err);

}  // namespace tivrel
