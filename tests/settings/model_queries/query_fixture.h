// Helpers of the model query tests: the default printer's model loaded from
// the build, small models written by the model writer, and option records
// laid out by hand where a test needs keys the writer would not give.
#pragma once

#include "models/model_fixture.h"
#include "settings/model/model_interface.h"

namespace pk::test {

// The default printer's model, as the build writes it.
class DefaultModelFixture : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    InstallInDriverFolder(PK_DEFAULT_MODEL_STRINGS, u"ORVC3600.vbn");
    WriteWindowsFile(u"C:\\drivers\\ORVC3600.DDD", ReadHostFile(PK_DEFAULT_MODEL_FILE));
    ASSERT_EQ(LoadPath(u"C:\\drivers\\ORVC3600.DDD"), 0);
  }
};

// Loads a second model beside the fixture's own; closed by the caller.
inline DeviceModel* LoadExtraModel(const ddd::ModelWriter& writer, const std::u16string& path) {
  std::vector<uint8_t> primary, secondary;
  writer.Build(&primary, &secondary);
  WriteWindowsFile(path, primary);
  DeviceModel* model = AllocDeviceModelHandle();
  EXPECT_EQ(LoadModelFiles(path.c_str(), model->primary, model->secondary), 0);
  return model;
}

// The body of an option record (after its u32 and key) with a 16-bit value.
inline std::vector<uint8_t> OptionBody(const std::string& name, uint16_t value) {
  std::vector<uint8_t> b;
  auto put16 = [&](uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  };
  std::vector<uint8_t> text = ddd::EncodeText(ddd::Text::Plain(name));
  put16(static_cast<uint16_t>(text.size()));
  b.insert(b.end(), text.begin(), text.end());
  put16(0);  // target type
  put16(0);  // target key
  put16(0);  // auxiliary key
  for (int list = 0; list < 2; ++list) {
    b.insert(b.end(), {2, 0, 0, 0});  // list length
    put16(0);                         // no constraints
  }
  b.push_back(kSettingTypeUInt16);
  put16(2);
  put16(value);
  put16(0);  // no value blob
  return b;
}

inline std::u16string Text(const WCHAR* s) { return Wide(s); }

}  // namespace pk::test
