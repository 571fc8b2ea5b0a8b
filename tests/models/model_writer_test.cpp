// The writer against a hand-assembled file: the same bytes, so a mistake
// shared by the writer and the reader cannot hide, and the reader reads the
// fixture itself.
#include <sstream>

#include "model_fixture.h"

namespace {

using ddd::Pair;
using ddd::Text;
using ddd::Value;
using pk::test::ModelTest;
using pk::test::Wide;

std::vector<uint8_t> ReadHexFixture(const std::string& path) {
  std::ifstream in(path);
  std::vector<uint8_t> bytes;
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string hex;
    while (words >> hex) bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
  }
  return bytes;
}

TEST_F(ModelTest, WriterMatchesHandAssembledFile) {
  std::vector<uint8_t> expected = ReadHexFixture(PK_TEST_DATA_DIR "/models/tiny_model.hex");
  ASSERT_EQ(expected.size(), 775u);

  ddd::ModelWriter w;
  w.title = "Tiny";
  w.version = "x:1.2.0";
  w.level = 0x300;
  w.modelName = "Tiny model";
  w.SetField(4, {9});
  w.SetTextField(36, {Text::Plain("M.vbn")});
  w.AddPointPair(Pair{{10, 20}, {30, 40}});
  uint16_t flagOption = w.AddOption(13, Text::Plain("On"), 0, 0, Value::Flag(true));
  w.AddFeature(3, 769, Text::Plain("Unit"), 1, 1, {flagOption});
  uint16_t option = w.AddOption(14, Text::Ref(1, 300), 17, 1, Value::I16(-2));
  w.AddFeature(4, 7, Text::Plain("Or"), 1, 1, {option});
  std::vector<uint8_t> primary, secondary;
  w.Build(&primary, &secondary);
  EXPECT_TRUE(secondary.empty());
  ASSERT_EQ(primary.size(), expected.size());
  for (size_t k = 0; k < expected.size(); ++k) ASSERT_EQ(primary[k], expected[k]) << "byte " << k;

  pk::test::WriteWindowsFile(u"C:\\models\\tiny.ddd", expected);
  ASSERT_EQ(LoadPath(u"C:\\models\\tiny.ddd"), 0);
  EXPECT_EQ(ReadModelHeaderValue(this->primary(), 4, 2, 0), 9u);
  ModelRecord* feature = nullptr;
  ASSERT_EQ(LoadModelRecordByKey(true, this->primary(), this->secondary(), 3, 769, 0, &feature), 0);
  EXPECT_EQ(Wide(static_cast<FeatureRecord*>(feature)->name), u"Unit");
  ModelRecord* o = nullptr;
  WORD type = 0;
  ASSERT_EQ(LoadFeatureOptionRecord(true, true, this->primary(), this->secondary(), feature, 0, &type, &o), 0);
  auto* flag = static_cast<OptionRecord*>(o);
  EXPECT_EQ(flag->valueType, 1);
  EXPECT_EQ(flag->valueSize, 4);
  EXPECT_EQ(flag->value[0], 1);
  ReleaseModelRecord(o);
  ReleaseModelRecord(feature);
  ASSERT_EQ(LoadModelRecordByKey(true, this->primary(), this->secondary(), 4, 7, 1, &o), 0);
  auto* setting = static_cast<OptionRecord*>(o);
  EXPECT_EQ(setting->valueType, 2);
  EXPECT_EQ(static_cast<int16_t>(setting->value[0] | (setting->value[1] << 8)), -2);
  // Module "M.vbn" does not exist: the reference reads as inverted text.
  EXPECT_EQ(setting->nameBytes, 14);
  ModelRecord* target = nullptr;
  ASSERT_EQ(LoadOptionTarget(true, this->primary(), this->secondary(), o, &type, &target), 0);
  EXPECT_EQ(type, 17);
  EXPECT_EQ(static_cast<PointPairRecord*>(target)->point2.y, 40);
  ReleaseModelRecord(target);
  ReleaseModelRecord(o);
}

TEST(ModelWriter, RefusesWhatTheFormatCannotHold) {
  ddd::ModelWriter w;
  EXPECT_THROW(w.SetField(13, {1}), std::runtime_error);    // a text field
  EXPECT_THROW(w.SetTextField(4, {}), std::runtime_error);  // a numeric field
  w.modelName = std::string(64, 'n');
  std::vector<uint8_t> a, b;
  EXPECT_THROW(w.Build(&a, &b), std::runtime_error);
  w.modelName = "m";
  w.AddNamedByte(1, Text::Plain("x"), 1, ddd::Place::kSecondary);
  EXPECT_THROW(w.Build(&a, &b), std::runtime_error);  // no secondary name
  EXPECT_THROW(ddd::EncodeText(Text{{}, 0, 5}), std::runtime_error);
}

TEST(ModelWriter, ConstraintKeysAreTheirPositions) {
  ddd::ModelWriter w;
  EXPECT_EQ(w.ConstraintKeyFault(), "");
  w.AddConstraint(7, ddd::Condition{0, 1, 16, ddd::Value::I16(2)}, 1, Text::Plain("a"));
  w.AddConstraint(8, ddd::Condition{0, 1, 16, ddd::Value::I16(2)}, 1, Text::Plain("b"));
  w.AddConstraint(7, ddd::Condition{0, 1, 16, ddd::Value::I16(3)}, 1, Text::Plain("c"));
  EXPECT_EQ(w.ConstraintKeyFault(), "");
  // A record laid out by hand under another key would be found at the
  // wrong place.
  w.AddRawRecord(8, 5, {});
  EXPECT_EQ(w.ConstraintKeyFault(), "constraint of type 8 at position 2 has the key 5");
}

}  // namespace
