// SetupData's reading of a setup file: defaults, [Common], the delayed
// installation, parts and per-product sections, and the fresh GUID.
#include "product/setup_data.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/random_source.h"

namespace krv::product {
namespace {

SetupData Applied(const std::string& text) {
  SettingsFile file;
  file.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  SetupData data;
  data.Reset(1700000000);
  data.Apply(file);
  return data;
}

TEST(SetupData, ResetDefaults) {
  SetupData data;
  data.Reset(1700000000);
  EXPECT_EQ(data.Edition, -1) << "before any load";
  EXPECT_EQ(data.NewEdition, -1);
  EXPECT_EQ(data.NewDirectoryName, L"New");
  EXPECT_EQ(data.GuidCreated, 1700000000);
  EXPECT_EQ(data.persisted_guid, data.GUID);
  EXPECT_EQ(data.persisted_guid_time, 1700000000);
  data.SetUp(L"C:\\Orvane\\setup");
  EXPECT_EQ(data.file_path, L"C:\\Orvane\\setup\\setup.ini");
  data.SetUp(L"C:\\Orvane\\setup\\");
  EXPECT_EQ(data.file_path, L"C:\\Orvane\\setup\\setup.ini");
  EXPECT_FALSE(data.alternative_loader);
}

TEST(SetupData, CommonValuesAndTheirDefaults) {
  const SetupData empty = Applied("[Common]\n");
  EXPECT_EQ(empty.Edition, 1) << "a setup file without Edition";
  EXPECT_EQ(empty.NewEdition, -1);
  EXPECT_EQ(empty.NewDirectoryName, L"New");
  EXPECT_EQ(empty.GuidCreated, 1700000000);
  EXPECT_FALSE(empty.Debug);

  const SetupData full = Applied(
      "[Common]\nGUID=0a1b\nGuidCreated=1600000000\nEdition=15\nNewEdition=16\nSubEdition=pro\n"
      "NewSubEdition=max\nProductId=P1\nBuildId=B2\nCookie=C3\nDebug=2\nNewDirectoryName=Next\n"
      "Psh=p\nGclid=g\nGaCid=ga\n");
  EXPECT_EQ(full.GUID, L"0a1b");
  EXPECT_EQ(full.GuidCreated, 1600000000);
  EXPECT_EQ(full.Edition, 15);
  EXPECT_EQ(full.NewEdition, 16);
  EXPECT_EQ(full.SubEdition, L"pro");
  EXPECT_EQ(full.NewSubEdition, L"max");
  EXPECT_EQ(full.ProductId, L"P1");
  EXPECT_EQ(full.BuildId, L"B2");
  EXPECT_EQ(full.Cookie, L"C3");
  EXPECT_TRUE(full.Debug);
  EXPECT_EQ(full.NewDirectoryName, L"Next");
  EXPECT_EQ(full.Psh, L"p");
  EXPECT_EQ(full.Gclid, L"g");
  EXPECT_EQ(full.GaCid, L"ga");
}

TEST(SetupData, DelayedInstallation) {
  const SetupData data = Applied("[DelayedInstallation]\nIsNeeded=1\nDelayedComponents=fw,av,ui\n");
  EXPECT_TRUE(data.delayed_installation_needed);
  EXPECT_EQ(data.delayed_components, (NameSet{L"av", L"fw", L"ui"}));
  const SetupData none = Applied("[Common]\nIsNeeded=1\n");
  EXPECT_FALSE(none.delayed_installation_needed);
  EXPECT_TRUE(none.delayed_components.empty());
}

TEST(SetupData, PartsNeedExactlyThreeFields) {
  const SetupData data = Applied(
      "[product.parts.current]\nvps=defs,305419896,1690000000\ntwo=a,1\nfour=a,1,2,3\nprg=p,1996,5\n"
      "[product.parts.latest]\nvps=defs,305419897,1690000100\n");
  PartInfo vps;
  ASSERT_TRUE(data.FindCurrentPart(L"VPS", &vps));
  EXPECT_EQ(vps.text, L"defs");
  EXPECT_EQ(vps.version, 305419896u);
  EXPECT_EQ(vps.time, 1690000000);
  PartInfo other;
  EXPECT_FALSE(data.FindCurrentPart(L"two", &other));
  EXPECT_FALSE(data.FindCurrentPart(L"four", &other));
  EXPECT_EQ(data.current_parts.size(), 2u);
  EXPECT_EQ(data.latest_parts.at(L"vps").version, 305419897u);
}

TEST(SetupData, GroupsAndPerProductSections) {
  const SetupData data = Applied(
      "[product.groups]\ncore=av,fw\n[products]\nAV=1\n[products.AV]\nengine=1\n"
      "[products.AV.engine.current]\nversion=7\ntime=100\n[products.AV.engine.latest]\nversion=8\ntime=200\n");
  EXPECT_EQ(data.product_groups.at(L"core"), L"av,fw");
  const ProductPart& engine = data.products.at(L"av").at(L"ENGINE");
  EXPECT_EQ(engine.current.version, 7);
  EXPECT_EQ(engine.current.time, 100);
  EXPECT_EQ(engine.latest.version, 8);
  EXPECT_EQ(engine.groups.version, 0);
}

uint64_t FixedRandom() { return 0xFFFFFFFFFFFFFFFFull; }
uint64_t ZeroRandom() { return 0; }

TEST(SetupData, FreshGuidIsVersion4) {
  {
    os::scoped_random_source fixed(&FixedRandom);
    EXPECT_EQ(MakeRandomGuid(), L"ffffffff-ffff-4fff-bfff-ffffffffffff");
  }
  {
    os::scoped_random_source zero(&ZeroRandom);
    EXPECT_EQ(MakeRandomGuid(), L"00000000-0000-4000-8000-000000000000");
  }
  EXPECT_NE(MakeRandomGuid(), MakeRandomGuid());
}

}  // namespace
}  // namespace krv::product
