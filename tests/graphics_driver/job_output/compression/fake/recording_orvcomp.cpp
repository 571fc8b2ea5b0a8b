// A stand-in of the outside compression library that records every call
// (name and arguments) and answers as the test sets it: the size its
// compression reports, the answers of init and finish, and the bytes its
// "code" consists of.
#include <cstring>
#include <string>

extern "C" {

struct RecordingCompress {
  char log[4096];
  int initAnswer;
  int finishAnswer;
  unsigned size;  // reported by kzcmp_CompressBitmap; code bytes are 0xA5
};

static RecordingCompress g_state;
static int g_handle;

static void Log(const std::string& line) {
  std::strncat(g_state.log, (line + "\n").c_str(), sizeof g_state.log - std::strlen(g_state.log) - 1);
}

__attribute__((visibility("default"))) RecordingCompress* recording_compress() { return &g_state; }
__attribute__((visibility("default"))) void* kzcmp_LoadCompress() { return &g_handle; }
__attribute__((visibility("default"))) int kzcmp_InitBitmap(void* h, int kind, int width, int height, int rowBytes) {
  Log("init " + std::to_string(h == &g_handle) + " " + std::to_string(kind) + " " + std::to_string(width) + " " +
      std::to_string(height) + " " + std::to_string(rowBytes));
  return g_state.initAnswer;
}
__attribute__((visibility("default"))) int kzcmp_CompressBitmap(void* h, const unsigned char*, int height,
                                                                unsigned* size) {
  Log("compress " + std::to_string(h == &g_handle) + " " + std::to_string(height));
  *size = g_state.size;
  return 0;
}
__attribute__((visibility("default"))) int kzcmp_GetBitmap(void* h, unsigned char* out) {
  Log("get " + std::to_string(h == &g_handle));
  std::memset(out, 0xA5, g_state.size);
  return 0;
}
__attribute__((visibility("default"))) int kzcmp_FinishBitmap(void* h) {
  Log("finish " + std::to_string(h == &g_handle));
  return g_state.finishAnswer;
}
__attribute__((visibility("default"))) int kzcmp_FreeCompress(void*) { return 0; }
}
