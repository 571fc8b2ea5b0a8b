// Helpers of the model tests: a fresh machine root, files written at Windows
// paths, string modules installed in the driver folder, and a loaded model
// that closes itself.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "models/writer/ddd_writer.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/model/model_records.h"

namespace pk::test {

inline std::string HostPath(const std::u16string& windowsPath) {
  std::string host;
  EXPECT_EQ(PkResolveWindowsPath(windowsPath.c_str(), nullptr, &host), 0u);
  return host;
}

inline void WriteHostFile(const std::string& host, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  // A machine root links the built deliverables: a new file, not the linked
  // one rewritten, so the build's copy and other tests never see the bytes.
  std::error_code ignored;
  std::filesystem::remove(host, ignored);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadHostFile(const std::string& host) {
  std::ifstream in(host, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWindowsFile(const std::u16string& path, const std::vector<uint8_t>& bytes) {
  WriteHostFile(HostPath(path), bytes);
}

inline std::u16string DriverFolder() {
  WCHAR folder[520];
  EXPECT_TRUE(GetModelDriverFolder(folder, 520));
  return std::u16string(folder);
}

// Copies a built file into the driver folder under `name`.
inline void InstallInDriverFolder(const std::string& builtFile, const std::u16string& name) {
  WriteWindowsFile(DriverFolder() + name, ReadHostFile(builtFile));
}

inline std::u16string Wide(const WCHAR* s) { return s ? std::u16string(s) : std::u16string(u"<null>"); }

// A machine root of its own, with the test string module in the driver folder.
class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    InstallInDriverFolder(PK_MODEL_TEST_STRINGS, u"ModelTest.vbn");
  }
  void TearDown() override {
    CloseDeviceModel(model_);
    model_ = nullptr;
  }

  // Writes the writer's files beside each other and loads the primary.
  ModelStatus Load(const ddd::ModelWriter& writer, const std::u16string& path = u"C:\\models\\model.ddd") {
    std::vector<uint8_t> primary, secondary;
    writer.Build(&primary, &secondary);
    WriteWindowsFile(path, primary);
    if (!secondary.empty()) {
      std::u16string folder = path.substr(0, path.find_last_of(u"\\") + 1);
      WriteWindowsFile(folder + std::u16string(writer.secondaryName.begin(), writer.secondaryName.end()), secondary);
    }
    return LoadPath(path);
  }
  ModelStatus LoadPath(const std::u16string& path) {
    CloseDeviceModel(model_);
    model_ = AllocDeviceModelHandle();
    return LoadModelFiles(path.c_str(), model_->primary, model_->secondary);
  }
  ModelFile* primary() { return model_->primary; }
  ModelFile* secondary() { return model_->secondary; }

  DeviceModel* model_ = nullptr;
};

// A writer with the test string module as module 1.
inline ddd::ModelWriter SmallWriter() {
  ddd::ModelWriter w;
  w.modelName = "Small";
  w.SetTextField(36, {ddd::Text::Plain("ModelTest.vbn")});
  return w;
}

}  // namespace pk::test
