// The application's DEVMODE as the host makes it: the printer's default with
// settings written by id, and the paper margin record the interface library
// appends at create-DC time.
#pragma once

#include <string>
#include <vector>

namespace pkhost {

constexpr size_t kDriverDevModeSize = 2628;
constexpr size_t kPaperMarginRecordSize = 10;

// Writes an integer setting through the settings model; false with a reason
// when the id is unknown, not an integer or the value does not fit.
bool ApplySetting(std::vector<uint8_t>& devMode, int id, long long value, std::string* error);

// Writes a text setting (UTF-8 given) through the settings model; false with
// a reason when the id is unknown, not a text, or the text is too long.
bool ApplyTextSetting(std::vector<uint8_t>& devMode, int id, const std::string& utf8, std::string* error);

// Writes an integer setting of the printer settings block (ids 769-800,
// 1025-1057, 1281-1456) into the printer's stored block, as the interface
// library's device page does; false with a reason otherwise.
bool StorePrinterSetting(void* printer, const std::vector<uint8_t>& devMode, int id, long long value,
                         std::string* error);

// Writes a text setting of the printer settings block (a save folder,
// UTF-8 given); false with a reason otherwise.
bool StorePrinterTextSetting(void* printer, const std::vector<uint8_t>& devMode, int id, const std::string& utf8,
                             std::string* error);

// Sets setting 387 to 1 and appends the paper margin record (dmPaperSize and
// the four margins) after the 2628 bytes, raising dmDriverExtra by 10.
bool AppendPaperMargins(std::vector<uint8_t>& devMode, const int margins[4], std::string* error);

// A DEVMODE of the driver's size with only its sizes and the A4 paper set,
// for a printer whose default cannot be read.
std::vector<uint8_t> BareDevMode();

// The driver's default DEVMODE for the printer's device model, converted
// from the spooler's; empty when the model cannot be read.
std::vector<uint8_t> DriverDefaultDevMode(void* printer);

}  // namespace pkhost
