// A recording stand-in for the colour library: every call is logged with its
// arguments, answers can be set per entry point, and the conversion inverts
// the pixels so that a test sees it happen. Built twice: whole, and without
// CLX_ColorConvert32 (FAKE_NO_CONVERT). FakeClxLog answers the log,
// FakeClxAnswer sets the answer of an entry point.
#include <cstdint>
#include <map>
#include <string>

#include "platform/outside/colorlib/colour_library_calls.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string g_log;
std::map<std::string, uint16_t> g_answers;
constexpr uint32_t kHandle = 0x5A5A;

uint16_t Answer(const char* name) {
  auto it = g_answers.find(name);
  return it == g_answers.end() ? 0 : it->second;
}
void Log(const std::string& entry) { g_log += entry + ";"; }

}  // namespace

FAKE_EXPORT const char* FakeClxLog() { return g_log.c_str(); }
FAKE_EXPORT void FakeClxAnswer(const char* name, uint16_t answer) { g_answers[name] = answer; }

FAKE_EXPORT uint32_t CLX_LoadCLX32(const char* path) {
  Log(std::string("Load ") + (path ? path : "null"));
  return kHandle;
}
FAKE_EXPORT uint16_t CLX_FreeCLX32(uint32_t handle) {
  Log("Free " + std::to_string(handle));
  return Answer("Free");
}
FAKE_EXPORT uint16_t CLX_CreateParam_Begin32(uint32_t handle, uint8_t mode, ColourLibraryInfo* info) {
  Log("Begin " + std::to_string(handle) + " " + std::to_string(mode) + (info ? "" : " noinfo"));
  return Answer("Begin");
}
FAKE_EXPORT uint16_t CLX_CreateParam32(uint32_t handle, const uint8_t* pixels, uint32_t width, uint32_t rows) {
  Log("Param " + std::to_string(handle) + " " + std::to_string(width) + "x" + std::to_string(rows) + " " +
      std::to_string(pixels ? pixels[0] : -1));
  return Answer("Param");
}
FAKE_EXPORT uint16_t CLX_CreateParam_End32(uint32_t handle, void* entry, ColourLibraryInfo* info) {
  Log("End " + std::to_string(handle) + (entry ? "" : " noentry") + (info ? "" : " noinfo"));
  return Answer("End");
}
FAKE_EXPORT uint16_t CLX_DeleteParam32(uint32_t handle, void* entry, ColourLibraryInfo* info) {
  Log("Delete " + std::to_string(handle) + (entry ? " entry" : " null") + (info ? " info" : " null"));
  return Answer("Delete");
}
#ifndef FAKE_NO_CONVERT
FAKE_EXPORT uint16_t CLX_ColorConvert32(uint32_t handle, const uint8_t* pixels, uint8_t* out, uint32_t width,
                                        uint32_t rows) {
  Log("Convert " + std::to_string(handle) + " " + std::to_string(width) + "x" + std::to_string(rows));
  const uint16_t answer = Answer("Convert");
  if (answer == 0)
    for (uint64_t i = 0; i < uint64_t(width) * rows * 3; ++i) out[i] = uint8_t(255 - pixels[i]);
  else
    for (uint64_t i = 0; i < uint64_t(width) * rows * 3; ++i) out[i] = 0x77;  // garbage the driver must not keep
  return answer;
}
#endif
