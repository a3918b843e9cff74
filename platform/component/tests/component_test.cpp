#include "component/host.h"
#include "component/registry.h"
#include "component/values.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

using namespace component;
namespace fs = std::filesystem;

namespace {

constexpr Guid kEco = makeGuid("{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D01}");
constexpr Guid kInterno = makeGuid("{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D04}");

fs::path binDir() { return fs::read_symlink("/proc/self/exe").parent_path(); }

std::string readAll(const fs::path &p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A private registry file per test, named by TALVENOX_COMPONENTS.
class RegistryFile : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("component_test." + std::to_string(::getpid()) + "." +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    file = dir / "sub" / "components.ini";
    setenv("TALVENOX_COMPONENTS", file.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("TALVENOX_COMPONENTS");
    fs::remove_all(dir);
  }
  fs::path dir, file;
};

} // namespace

TEST(Guid, ParsesAndFormatsRoundTrip) {
  Guid g{};
  ASSERT_TRUE(parseGuid("{7545d7fa-3bfd-4688-8f75-e12b6cbc5410}", &g));
  EXPECT_EQ(g.data1, 0x7545D7FAu);
  EXPECT_EQ(g.data2, 0x3BFD);
  EXPECT_EQ(g.data4[0], 0x8F);
  EXPECT_EQ(g.data4[7], 0x10);
  EXPECT_EQ(formatGuid(g), "{7545D7FA-3BFD-4688-8F75-E12B6CBC5410}");
  Guid h{};
  ASSERT_TRUE(parseGuid("7545D7FA-3BFD-4688-8F75-E12B6CBC5410", &h));
  EXPECT_TRUE(g == h);
}

TEST(Guid, RefusesMalformedTexts) {
  for (const char *bad : {"", "{}", "{7545D7FA-3BFD-4688-8F75-E12B6CBC541}", "{7545D7FA-3BFD-4688-8F75-E12B6CBC541G}",
                          "{7545D7FA+3BFD-4688-8F75-E12B6CBC5410}", "(7545D7FA-3BFD-4688-8F75-E12B6CBC5410)",
                          "{7545D7FA-3BFD-4688-8F75-E12B6CBC5410}x"}) {
    Guid g{};
    EXPECT_FALSE(parseGuid(bad, &g)) << bad;
  }
}

TEST(Coerce, ConvertsLikeADispatchCall) {
  struct Case {
    const char *name;
    Value in;
    uint16_t kind;
    int32_t rc;
    int64_t number;  // expected value for numeric kinds
  };
  int32_t longStore = 41;
  Case cases[] = {
      {"Long 40000 into Integer", Value::long32(40000), OA_I2, kOverflow, 0},
      {"Long 30000 into Integer", Value::long32(30000), OA_I2, kOk, 30000},
      {"Integer 300 into Byte", Value::integer(300), OA_UI1, kOverflow, 0},
      {"Integer -1 into Byte", Value::integer(-1), OA_UI1, kOverflow, 0},
      {"Integer 2 into Byte", Value::integer(2), OA_UI1, kOk, 2},
      {"Boolean true into Long", Value::boolean(true), OA_I4, kOk, -1},
      {"Byte 0 into Boolean", Value::byte(0), OA_BOOL, kOk, 0},
      {"Long 5 into Boolean", Value::long32(5), OA_BOOL, kOk, -1},
      {"text 12 into Integer", Value::utf8(" 12 "), OA_I2, kOk, 12},
      {"text abc into Integer", Value::utf8("abc"), OA_I2, kTypeMismatch, 0},
      {"text 70000 into Integer", Value::utf8("70000"), OA_I2, kOverflow, 0},
      {"empty into Long", Value(), OA_I4, kOk, 0},
      {"Long by reference into Integer", Value::ref(OA_I4, &longStore), OA_I2, kOk, 41},
      {"array into Long", Value::array(oa_array_create(OA_UI1, 0, 3)), OA_I4, kTypeMismatch, 0},
  };
  for (auto &c : cases) {
    Value out;
    EXPECT_EQ(coerce(c.in.get(), c.kind, out.get()), c.rc) << c.name;
    if (c.rc != kOk) continue;
    ASSERT_EQ(out.kind(), c.kind) << c.name;
    int64_t got = c.kind == OA_UI1 ? out.get()->v.u1
                : c.kind == OA_I2  ? out.get()->v.i2
                : c.kind == OA_I4  ? out.get()->v.i4
                                   : out.get()->v.boolean;
    EXPECT_EQ(got, c.number) << c.name;
  }
}

TEST(Coerce, NumbersAndBooleansBecomeText) {
  Value out;
  ASSERT_EQ(coerce(Value::long32(-5).get(), OA_STR, out.get()), kOk);
  EXPECT_EQ(toUtf8(out.get()), "-5");
  ASSERT_EQ(coerce(Value::boolean(true).get(), OA_STR, out.get()), kOk);
  EXPECT_EQ(toUtf8(out.get()), "True");
  ASSERT_EQ(coerce(Value::utf8("Usuário").get(), OA_STR, out.get()), kOk);
  EXPECT_EQ(toUtf8(out.get()), "Usuário");
}

TEST(Coerce, EmptyBecomesEmptyTextAndNullReferencesAreRefused) {
  Value out;
  ASSERT_EQ(coerce(Value().get(), OA_STR, out.get()), kOk);
  EXPECT_EQ(out.kind(), OA_STR);
  EXPECT_EQ(toUtf8(out.get()), "");
  for (int kind : {int(OA_UI1), int(OA_I2), int(OA_I4), int(OA_BOOL), int(OA_STR)}) {
    for (int target : {int(OA_STR), int(OA_I4)}) {
      Value ref = Value::ref(uint16_t(kind), nullptr);
      EXPECT_EQ(coerce(ref.get(), uint16_t(target), out.get()), kInvalidArg) << "kind " << kind << " into " << target;
    }
  }
}

TEST_F(RegistryFile, PathFollowsTheEnvironment) {
  EXPECT_EQ(registryPath(), file.string());
  unsetenv("TALVENOX_COMPONENTS");
  setenv("TALVENOX_HOME", "/srv/relogio", 1);
  EXPECT_EQ(registryPath(), "/srv/relogio/components.ini");
  unsetenv("TALVENOX_HOME");
  setenv("XDG_DATA_HOME", "/xdg", 1);
  EXPECT_EQ(registryPath(), "/xdg/talvenox/components.ini");
  unsetenv("XDG_DATA_HOME");
}

TEST_F(RegistryFile, KeepsUnknownKeysAndSkipsGarbage) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "; comment\n"
                         "Library=/orphan/before/any/section.so\n"
                         "[not a guid]\nLibrary=/ignored.so\n"
                         "[{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D01}]\r\n"
                         "Name=Teste.Eco\r\n"
                         "Library = /opt/lib/libeco.so \r\n"
                         "no equals sign here\n"
                         "Threading=Apartment\n";
  std::map<Guid, RegistryEntry> all;
  std::string error;
  ASSERT_TRUE(readRegistry(file.string(), &all, &error)) << error;
  ASSERT_EQ(all.size(), 1u);
  const RegistryEntry &e = all.at(kEco);
  EXPECT_EQ(e.name, "Teste.Eco");
  EXPECT_EQ(e.library, "/opt/lib/libeco.so");
  ASSERT_EQ(e.extra.size(), 1u);
  EXPECT_EQ(e.extra[0].first, "Threading");

  RegistryEntry other;
  other.clsid = kInterno;
  other.library = "/opt/lib/other.so";
  ASSERT_TRUE(registerEntries(file.string(), {other}, &error)) << error;
  ASSERT_TRUE(readRegistry(file.string(), &all, &error));
  EXPECT_EQ(all.size(), 2u);
  EXPECT_EQ(all.at(kEco).extra.at(0).second, "Apartment");

  ASSERT_TRUE(unregisterClasses(file.string(), {kEco}, &error));
  ASSERT_TRUE(readRegistry(file.string(), &all, &error));
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all.begin()->second.library, "/opt/lib/other.so");
}

TEST_F(RegistryFile, MissingFileIsAnEmptyRegistry) {
  std::map<Guid, RegistryEntry> all;
  std::string error;
  EXPECT_TRUE(readRegistry(file.string(), &all, &error));
  EXPECT_TRUE(all.empty());
  Ref<Object> o;
  EXPECT_EQ(createInstance(kEco, &o, &error), kClassNotRegistered);
  EXPECT_NE(error.find("not registered"), std::string::npos);
}

TEST_F(RegistryFile, RegisteredLibraryThatIsGoneFailsCleanly) {
  RegistryEntry e;
  e.clsid = kEco;
  e.library = (dir / "nowhere" / "libgone.so").string();
  std::string error;
  ASSERT_TRUE(registerEntries(file.string(), {e}, &error));
  Ref<Object> o;
  EXPECT_EQ(createInstance(kEco, &o, &error), kLibraryNotFound);
  EXPECT_FALSE(o);
  EXPECT_NE(error.find("libgone.so"), std::string::npos);
}

namespace {

struct RecordingSink : EventSink {
  struct Event {
    int32_t dispid;
    std::vector<int32_t> longs;
  };
  std::vector<Event> events;
  void onEvent(int32_t dispid, oa_variant *args, uint32_t argc) override {
    Event e{dispid, {}};
    for (uint32_t i = 0; i < argc; ++i) e.longs.push_back(args[i].v.i4);
    events.push_back(e);
  }
};

// Registers the test server through its own export, as an installer would.
void registerTestServer() {
  const fs::path lib = binDir() / "libcomponent_testserver.so";
  void *h = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(h, nullptr) << dlerror();
  auto reg = reinterpret_cast<int32_t (*)()>(dlsym(h, "DllRegisterServer"));
  ASSERT_NE(reg, nullptr);
  EXPECT_EQ(reg(), kOk);
  dlclose(h);
}

} // namespace

TEST_F(RegistryFile, ServerRegistersItsCreatableClassesOnly) {
  registerTestServer();
  const std::string text = readAll(file);
  EXPECT_NE(text.find("[{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D01}]"), std::string::npos) << text;
  EXPECT_NE(text.find("Name=TesteServidor.Eco"), std::string::npos) << text;
  EXPECT_NE(text.find("Library=" + (fs::weakly_canonical(binDir() / "libcomponent_testserver.so")).string()),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("TypeLib={0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D00}"), std::string::npos);
  EXPECT_EQ(text.find("9D04"), std::string::npos) << "a class hosts may not create was registered";

  void *h = dlopen((binDir() / "libcomponent_testserver.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  auto unreg = reinterpret_cast<int32_t (*)()>(dlsym(h, "DllUnregisterServer"));
  EXPECT_EQ(unreg(), kOk);
  dlclose(h);
  EXPECT_EQ(readAll(file).find("9D01"), std::string::npos);
}

TEST_F(RegistryFile, HostCreatesByIdentityAndCallsByIdentifier) {
  registerTestServer();
  Ref<Object> eco;
  std::string error;
  ASSERT_EQ(createInstance(kEco, &eco, &error), kOk) << error;
  EXPECT_STREQ(eco->classInfo()->name, "Eco");
  EXPECT_EQ(eco->view(), nullptr);

  Value v;
  ASSERT_EQ(getProperty(eco.get(), 1, &v), kOk);
  EXPECT_EQ(v.get()->v.i4, 7);
  ASSERT_EQ(putProperty(eco.get(), 1, Value::byte(200)), kOk);
  ASSERT_EQ(getProperty(eco.get(), 1, &v), kOk);
  EXPECT_EQ(v.get()->v.i4, 200);
  ASSERT_EQ(putProperty(eco.get(), 2, Value::utf8("Olá")), kOk);
  ASSERT_EQ(getProperty(eco.get(), 2, &v), kOk);
  EXPECT_EQ(toUtf8(v.get()), "Olá");

  ErrorInfo err;
  EXPECT_EQ(putProperty(eco.get(), 1, Value::utf8("sete"), &err), kTypeMismatch);
  EXPECT_EQ(err.code, kTypeMismatch);
  EXPECT_EQ(getProperty(eco.get(), 99, &v, &err), kMemberNotFound);
  EXPECT_EQ(callMethod(eco.get(), 4, {}, nullptr, &err), kFail);
  EXPECT_EQ(err.text, "falhou de propósito");

  RecordingSink sink, other;
  uint32_t cookie = 0, otherCookie = 0;
  ASSERT_EQ(eco->advise(&sink, &cookie), kOk);
  ASSERT_EQ(eco->advise(&other, &otherCookie), kOk);
  int32_t x = 21;
  Value ref = Value::ref(OA_I4, &x);
  ASSERT_EQ(callMethod(eco.get(), 3, {ref.get()}), kOk);
  EXPECT_EQ(x, 42) << "by-reference argument not written back";
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(sink.events[0].dispid, 1);
  EXPECT_EQ(sink.events[0].longs, std::vector<int32_t>{42});
  EXPECT_EQ(other.events.size(), 1u);

  ASSERT_EQ(eco->unadvise(cookie), kOk);
  EXPECT_EQ(eco->unadvise(cookie), kInvalidArg);
  ASSERT_EQ(callMethod(eco.get(), 3, {ref.get()}), kOk);
  EXPECT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(other.events.size(), 2u);
  eco->unadvise(otherCookie);
}

TEST_F(RegistryFile, LibraryStaysLoadedWhileObjectsLive) {
  registerTestServer();
  const fs::path lib = binDir() / "libcomponent_testserver.so";
  void *h = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
  auto canUnload = reinterpret_cast<int32_t (*)()>(dlsym(h, "DllCanUnloadNow"));
  auto getClass = reinterpret_cast<int32_t (*)(const cp_guid *, const cp_guid *, void **)>(
      dlsym(h, "DllGetClassObject"));
  {
    Ref<Object> eco;
    std::string error;
    ASSERT_EQ(createInstance(kEco, &eco, &error), kOk) << error;
    EXPECT_EQ(canUnload(), kFalse);
    Ref<Object> second = eco;
    eco.reset();
    EXPECT_EQ(canUnload(), kFalse);
  }
  EXPECT_EQ(canUnload(), kOk);

  void *f = nullptr;
  EXPECT_EQ(getClass(&kInterno, &kIidClassFactory, &f), kNotCreatable);
  EXPECT_EQ(getClass(&kEco, &kEco, &f), kNoInterface);
  constexpr Guid unknown = makeGuid("{00000000-0000-0000-0000-000000000001}");
  EXPECT_EQ(getClass(&unknown, &kIidClassFactory, &f), kClassNotAvailable);
  ASSERT_EQ(getClass(&kEco, &kIidClassFactory, &f), kOk);
  auto *factory = static_cast<ClassFactory *>(f);
  factory->lockServer(true);
  EXPECT_EQ(canUnload(), kFalse);
  factory->lockServer(false);
  EXPECT_EQ(canUnload(), kOk);
  dlclose(h);
  freeUnusedLibraries();
}

// Hostile registry files: random bytes and mangled valid text read without
// crashing, and what they yield writes back and reads again the same.
TEST_F(RegistryFile, HostileFilesNeverCrashTheReader) {
  const std::string valid =
      "[{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D01}]\nName=Teste.Eco\nLibrary=/opt/lib/libeco.so\nTypeLib=x\n"
      "[{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D04}]\r\nLibrary=/a\r\n";
  fs::create_directories(file.parent_path());
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 400; ++round) {
    std::string text = valid;
    if (round % 2) {
      text.assign(next() % 300, '\0');
      for (char &c : text) c = char(next() >> 16);
    } else {
      for (int k = 0; k < 6; ++k) text[next() % text.size()] = "[]{}=\n\r\0x-"[next() % 11];
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    std::map<Guid, RegistryEntry> all, again;
    std::string error;
    ASSERT_TRUE(readRegistry(file.string(), &all, &error)) << error;
    ASSERT_TRUE(writeRegistry(file.string(), all, &error)) << error;
    ASSERT_TRUE(readRegistry(file.string(), &again, &error));
    EXPECT_EQ(all.size(), again.size()) << "round " << round;
  }
}
