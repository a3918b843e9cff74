// The engine binding on its own: where the library is looked for, binding at
// first call, and DetalheComparacao.
#include "papilo.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dactilox;
using namespace dactilox::test;

TEST(Papilo, LooksBesideTheCallerFirstThenOnTheLibraryPath) {
  unsetenv("DACTILOX_ENGINE");
  const auto paths = papilo().candidatePaths();
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libPPVBP42.so").string());
  EXPECT_EQ(paths[1], "libPPVBP42.so");
  setenv("DACTILOX_ENGINE", "/opt/motor/libPPVBP42.so", 1);
  EXPECT_EQ(papilo().candidatePaths(), std::vector<std::string>{"/opt/motor/libPPVBP42.so"});
  unsetenv("DACTILOX_ENGINE");
}

TEST(Papilo, ComparisonDetailStartsWith20) {
  useEngine("libfake_ppvbp42.so");
  clearEngineCalls();
  DetalheComparacao d;
  d.campos = {0, 0, 9, 9, 9};
  component::Value templ = component::Value::array(oa_array_create(OA_UI1, 0, 4));
  component::Value probe = component::Value::array(oa_array_create(OA_UI1, 0, 4));
  ASSERT_TRUE(papilo().identifyNext(templ.get(), &d, 7));
  EXPECT_EQ(d.similaridade(), 77);
  d.campos[0] = -5;
  ASSERT_TRUE(papilo().verify(templ.get(), probe.get(), &d, 7));
  EXPECT_EQ(d.similaridade(), 55);
  EXPECT_EQ(engineCalls(), "VBPPIdentifyNext detail0 20 ctx 7\nVBPPVerify detail0 20\n");
}

TEST(Papilo, EachFunctionIsBoundAtItsOwnFirstCall) {
  useEngine("libfake_ppvbp42_partial.so");
  // The library opens and the functions it has work; the missing one fails
  // alone, every time, with its name.
  EXPECT_TRUE(papilo().initialize());
  EXPECT_FALSE(papilo().setParameter(1000, nullptr, 0));
  EXPECT_NE(papilo().lastError().indexOf("VBPPSetParameter"), -1) << papilo().lastError().toStdString();
  EXPECT_FALSE(papilo().setParameter(1000, nullptr, 0));
  EXPECT_TRUE(papilo().createContext());
  // Functions the stand-in lacks entirely.
  EXPECT_FALSE(papilo().extract(1, 1, nullptr, nullptr, nullptr, 0));
  EXPECT_NE(papilo().lastError().indexOf("VBPPExtract"), -1);

  useEngine("");
  EXPECT_FALSE(papilo().initialize());
  EXPECT_NE(papilo().lastError().indexOf("libPPVBP42.so"), -1);
  EXPECT_FALSE(papilo().finalize());
}
