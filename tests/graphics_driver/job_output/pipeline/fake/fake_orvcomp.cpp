// A stand-in of the outside compression library: the six entry points the
// driver binds, counting how often the library's handle is made and freed.
extern "C" {

struct FakeCompressCounts {
  int loads;
  int frees;
};

static FakeCompressCounts g_counts;
static int g_handle;

__attribute__((visibility("default"))) FakeCompressCounts* fake_compress_counts() { return &g_counts; }
__attribute__((visibility("default"))) void* kzcmp_LoadCompress() {
  ++g_counts.loads;
  return &g_handle;
}
__attribute__((visibility("default"))) int kzcmp_InitBitmap(void*, int, int, int, int) { return 1; }
__attribute__((visibility("default"))) int kzcmp_CompressBitmap(void*, const unsigned char*, int, unsigned*) {
  return 1;
}
__attribute__((visibility("default"))) int kzcmp_GetBitmap(void*, unsigned char*) { return 1; }
__attribute__((visibility("default"))) int kzcmp_FinishBitmap(void*) { return 1; }
__attribute__((visibility("default"))) int kzcmp_FreeCompress(void* handle) {
  if (handle == &g_handle) ++g_counts.frees;
  return 1;
}
}
