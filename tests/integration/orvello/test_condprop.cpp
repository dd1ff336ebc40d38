// The properties dialog's rules and the Install command, without the window.
#include "OVTestUtil.h"
#include "support/PdRegistry.h"

#include <cstring>

using namespace ovtest;

TEST_F(ConduitToolTest, InstallAsksForALibraryThatIsAConduit) {
  const std::string noopen = Sample("cond_noopen.dll", "NoOpen.dll");
  const std::string named = Sample("cond_named.dll", "Named.dll");
  Start();

  picker.files = {""};  // cancelled
  tool.btnOVInstClick();
  picker.files = {noopen};
  tool.btnOVInstClick();
  EXPECT_EQ(Last(), std::string("error|Error|") + kOVNotAConduit);
  EXPECT_EQ(props.opened, 0);

  props.user = [](FakePropView& v, OVCondProp& logic) {
    EXPECT_TRUE(v.bCreatorEnabled);
    EXPECT_EQ(v.text[OVPropField::Title], "Sample Named Conduit");
    EXPECT_EQ(v.text[OVPropField::Priority], "2");
    EXPECT_EQ(v.text[OVPropField::Version], "0.0.0.0000");
    v.text[OVPropField::CreatorID] = "PAdd";
    logic.edtCreatorIDExit();
    EXPECT_EQ(v.text[OVPropField::Directory], "address");
    EXPECT_EQ(v.text[OVPropField::File], "address.dat");
    return true;
  };
  picker.files = {named};
  tool.btnOVInstClick();
  EXPECT_EQ(props.opened, 1);
  EXPECT_FALSE(props.lastSystem);
  EXPECT_TRUE(props.okResult);
  EXPECT_EQ(Last(), "info|Success|Conduit \"Sample Named Conduit\" installed successfully.");
  ASSERT_EQ(CountCreator("PAdd"), 1);
  EXPECT_EQ(AppValue(0, "Directory"), "address");
  EXPECT_EQ(AppValue(0, "File"), "address.dat");
  EXPECT_EQ(AppValue(0, "Conduit"), named);
  ASSERT_EQ(app.rows.size(), 1u);
  EXPECT_EQ(app.rows[0].strCreator, "PAdd");
}

TEST_F(ConduitToolTest, NewConduitFieldsAreCutAndTheCreatorIsRequired) {
  const std::string lib = Sample("cond_plain.dll", "Plain.dll");
  Start();
  CondData rec{};
  std::strcpy(rec.szConduit, lib.c_str());
  FakePropView v;
  OVCondProp logic(v, tool, prompt);
  logic.FormCreate();
  logic.SetConduit(&rec);
  EXPECT_TRUE(logic.NewConduitMode());

  EXPECT_FALSE(logic.btnOKClick());
  EXPECT_EQ(Last(), std::string("error|Error|") + kOVNeedCreator);

  // The defaults need the exact text; a directory already typed stays.
  v.text[OVPropField::CreatorID] = "addresses";
  logic.edtCreatorIDExit();
  EXPECT_EQ(v.text[OVPropField::Directory], "");
  v.text[OVPropField::CreatorID] = "todo";
  v.text[OVPropField::Directory] = "mine";
  logic.edtCreatorIDExit();
  EXPECT_EQ(v.text[OVPropField::Directory], "mine");
  EXPECT_EQ(v.text[OVPropField::File], "todo.dat");

  v.text[OVPropField::CreatorID] = "addresses";
  v.text[OVPropField::Directory] = std::string(40, 'd');
  v.text[OVPropField::PalmDB] = std::string(33, 'r');
  EXPECT_TRUE(logic.btnOKClick()) << Last();
  EXPECT_STREQ(rec.szCreatorID, "addr");
  EXPECT_EQ(std::string(rec.szDirectory), std::string(31, 'd'));
  EXPECT_EQ(std::string(rec.szRemote), std::string(31, 'r'));
  EXPECT_EQ(AppValue(0, "Directory"), std::string(31, 'd'));
}

TEST_F(ConduitToolTest, PriorityTextsAreReadAsTheirLeadingNumber) {
  const std::string lib = Sample("cond_plain.dll", "Plain.dll");
  AddApp("Plan", lib, "Plain", 0);
  Start();
  CondData* pData = app.rows[0].pData;
  ASSERT_NE(pData, nullptr);
  const struct {
    const char* text;
    int stored;
    const char* written;
  } cases[] = {{"abc", 2, "2"}, {"0", 2, "2"}, {"9", 9, "2"}, {"3x", 3, "3"},
               {" -4", 2, "2"}, {"+5", 5, "5"}, {"99999999999", 2147483647, "2"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    FakePropView v;
    OVCondProp logic(v, tool, prompt);
    logic.FormCreate();
    pData->nPriority = 0;
    logic.SetConduit(pData);
    EXPECT_EQ(pData->nPriority, 2) << "opening already changes a priority of 0";
    EXPECT_EQ(v.text[OVPropField::Priority], "2");
    EXPECT_FALSE(v.bCreatorEnabled);
    v.text[OVPropField::Priority] = c.text;
    EXPECT_TRUE(logic.btnOKClick());
    EXPECT_EQ(pData->nPriority, c.stored);
    EXPECT_EQ(AppValue(0, "Priority"), c.written);
  }
}

TEST_F(ConduitToolTest, SystemConduitPropertiesChangeNothing) {
  Sample("cond_plain.dll", "Inst.dll");
  sb.AddInstallConduit("inst", sb.File("Inst.dll"), "Install Files");
  sb.SetBackupConduit("Backup.dll");
  Start();
  props.user = [](FakePropView& v, OVCondProp&) {
    v.text[OVPropField::Directory] = "changed";
    v.text[OVPropField::Priority] = "5";
    return true;
  };
  sys.Select(1);
  CondData before = *sys.rows[1].pData;
  tool.OpenSysConduitProperties();
  EXPECT_TRUE(props.lastSystem);
  EXPECT_TRUE(props.okResult);
  EXPECT_EQ(props.lastView.text[OVPropField::CreatorID], "0xffffffff");
  EXPECT_FALSE(props.lastView.bCreatorEnabled);
  before.nPriority = 2;  // opening gives a priority of 0 the value 2, and nothing more
  EXPECT_EQ(std::memcmp(&before, sys.rows[1].pData, sizeof before), 0);

  sys.Select(0);
  tool.OpenSysConduitProperties();
  char want[16];
  std::snprintf(want, sizeof want, "0x%x", static_cast<unsigned>(sys.rows[0].pData->dwCreatorID));
  EXPECT_EQ(props.lastView.text[OVPropField::CreatorID], want);
  EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(ConduitToolTest, PropertiesOfARestorableConduitRestoreItWithTheEditedValues) {
  const std::string lib = Sample("cond_plain.dll", "Plain.dll");
  AddApp("Plan", lib, "Plain");
  Start();
  ASSERT_TRUE(tool.UninstallConduit(app.rows[0].pData, true));
  app.Select(0);
  props.user = [](FakePropView& v, OVCondProp&) {
    v.text[OVPropField::File] = "edited.dat";
    return true;
  };
  tool.OpenAppConduitProperties();
  EXPECT_TRUE(props.okResult) << Last();
  ASSERT_EQ(CountCreator("Plan"), 1);
  EXPECT_EQ(AppValue(0, "File"), "edited.dat");
  EXPECT_EQ(app.rows[0].nImage, OV_IMG_INSTALLED);
  EXPECT_TRUE(Store().empty());
}

// OK while a HotSync runs: an error, the dialog's record and the registry as
// they were; idle: applied with one refresh.
TEST_F(ConduitToolTest, PropertiesOkIsRefusedDuringAHotSync) {
  AddApp("Plan", Sample("cond_plain.dll", "Plain.dll"), "Plain");
  Start();
  app.Select(0);
  props.user = [](FakePropView& v, OVCondProp&) {
    v.text[OVPropField::File] = "edited.dat";
    return true;
  };
  tdxtest::SetHotSyncRunning(true);
  const auto registry = tdxtest::PalmRegistry();
  const CondData before = *app.rows[0].pData;
  tool.OpenAppConduitProperties();
  EXPECT_FALSE(props.okResult);
  EXPECT_EQ(Last(), std::string("error|Error|") + kPdSyncRunning);
  EXPECT_EQ(std::memcmp(&before, app.rows[0].pData, sizeof before), 0);
  EXPECT_EQ(tdxtest::PalmRegistry(), registry);

  tdxtest::SetHotSyncRunning(false);
  const DWORD refreshes = tdxtest::HotSyncRefreshes();
  tool.OpenAppConduitProperties();
  EXPECT_TRUE(props.okResult) << Last();
  EXPECT_EQ(AppValue(0, "File"), "edited.dat");
  EXPECT_EQ(tdxtest::HotSyncRefreshes(), refreshes + 1);
}
