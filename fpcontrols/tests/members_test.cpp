// Every member of every class through dispatch: identifier, kind, type,
// default, and a value set and read back (or its effect seen) where the
// member takes one. The rows are written from the interface contract, in
// interface order, independently of the library's own table.
#include "ctrl_cadastrar.h"
#include "ctrl_fpdb.h"
#include "ctrl_identificar.h"
#include "ctrl_sensor.h"
#include "dispatch_table.h"
#include "shared_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <functional>
#include <string>

using namespace dactilox;
using namespace dactilox::test;
using component::Value;

namespace {

constexpr uint16_t G = component::kGet, P = component::kPut, R = component::kPutRef, M = component::kMethod;

// Values written as text: "B:3" Byte, "I:5" Integer, "L:7" Long, "T:true"
// Boolean, "S:text" String, "A:1,2,3" byte array, "-" nothing.
Value parse(const std::string &t) {
  const std::string v = t.size() > 2 ? t.substr(2) : "";
  switch (t.at(0)) {
  case 'B': return Value::byte(uint8_t(std::stoi(v)));
  case 'I': return Value::integer(int16_t(std::stoi(v)));
  case 'L': return Value::long32(std::stoi(v));
  case 'T': return Value::boolean(v == "true");
  case 'S': return Value::utf8(v);
  case 'A': {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < v.size();) {
      size_t j = v.find(',', i);
      if (j == std::string::npos) j = v.size();
      bytes.push_back(uint8_t(std::stoi(v.substr(i, j - i))));
      i = j + 1;
    }
    oa_array *a = oa_array_create(OA_UI1, 0, uint32_t(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) static_cast<uint8_t *>(a->data)[i] = bytes[i];
    return Value::array(a);
  }
  default: return Value();
  }
}

std::string show(const Value &val) {
  const oa_variant *v = val.get();
  switch (v->kind) {
  case OA_EMPTY: return "-";
  case OA_UI1: return "B:" + std::to_string(v->v.u1);
  case OA_I2: return "I:" + std::to_string(v->v.i2);
  case OA_I4: return "L:" + std::to_string(v->v.i4);
  case OA_BOOL: return v->v.boolean == OA_TRUE ? "T:true" : v->v.boolean == 0 ? "T:false" : "T:bad";
  case OA_STR: return "S:" + component::toUtf8(v);
  case OA_ARRAY | OA_UI1: {
    std::string out = "A:";
    for (uint32_t i = 0; i < v->v.array->count; ++i)
      out += (i ? "," : "") + std::to_string(static_cast<uint8_t *>(v->v.array->data)[i]);
    return out;
  }
  default: return "kind:" + std::to_string(v->kind);
  }
}

std::string params(const component::MemberInfo &m) {
  std::string out;
  for (int i = 0; i < m.paramCount; ++i) {
    if (i) out += ",";
    out += m.params[i].name;
    out += ":" + std::to_string(m.params[i].type);
  }
  return out;
}

using Check = std::function<void(QWidget *)>;

struct Row {
  const char *name;
  int32_t dispid;
  uint16_t kinds;
  uint16_t type;         // property type or method result (OA_EMPTY none)
  std::string params;    // "Name:kind,..."
  std::string byDefault; // value read at creation (readable properties)
  std::string set;       // value put, or the method's arguments "a|b"
  std::string after;     // read back after the put, or the method's result
  Check check = nullptr; // the effect seen on the typed control
};

constexpr uint16_t VREF = OA_VARIANT | OA_BYREF;

template <class T> Check on(std::function<void(T &)> f) {
  return [f](QWidget *w) { f(*static_cast<T *>(w)); };
}

std::vector<Row> identificarRows() {
  using C = CtrlIdentificar;
  return {
      {"StopProcess", 0x40030016, G | P, OA_BOOL, "", "T:false", "T:true", "T:true"},
      {"MostrarMinucias", 0x68030013, P, OA_UI1, "", "", "B:1", "",
       on<C>([](C &c) { EXPECT_TRUE(c.minuciasVisiveis()); })},
      {"SinalAmarelo", 0x60030018, M, OA_EMPTY, "msgSinalAmarelo:" + std::to_string(VREF), "", "S:Espere", "-",
       on<C>([](C &c) { EXPECT_EQ(c.mensagem(), "Espere"); })},
      {"SinalVerde", 0x60030019, M, OA_EMPTY, "msgSinalVerde:" + std::to_string(VREF), "", "S:Bom dia", "-",
       on<C>([](C &c) { EXPECT_EQ(c.mensagem(), "Bom dia"); })},
      {"SinalVermelho", 0x6003001A, M, OA_EMPTY, "msgSinalVermelho:" + std::to_string(VREF), "", "S:Negado", "-",
       on<C>([](C &c) { EXPECT_EQ(c.mensagem(), "Negado"); })},
      {"RestaurarConfiguracaoPadrao", 0x60030021, M, OA_EMPTY, "", "", "", "-"},
      {"InicializarBiometrica", 0x60030022, M, OA_EMPTY, "", "", "", "-",
       on<C>([](C &c) { EXPECT_TRUE(c.iniciado()); })},
      {"EncerrarBiometrica", 0x60030023, M, OA_EMPTY, "", "", "", "-",
       on<C>([](C &c) { EXPECT_FALSE(c.iniciado()); })},
      {"ModoPesquisa", 0x68030012, P, OA_UI1, "", "", "B:1", "",
       on<C>([](C &c) { EXPECT_TRUE(c.modoPesquisaRapida()); })},
      {"IndiceSensor", 0x68030011, G | P, OA_UI1, "", "B:0", "B:3", "B:3"},
      {"IntervaloAtualizarDigitais", 0x68030010, P, OA_I2, "", "", "I:500", ""},
      {"IntervaloTimeOutIdentificacao", 0x6803000F, P, OA_I2, "", "", "I:800", ""},
      {"RigidezIdentificacao", 0x6803000E, G | P, OA_I2, "", "I:2", "I:3", "I:3",
       on<C>([](C &c) { EXPECT_EQ(c.limiar(), 84); })},
      {"NumeroMinimoPontos", 0x6803000D, G | P, OA_UI1, "", "B:0", "B:10", "B:10"},
      {"IntervaloDesempate", 0x6803000C, P, OA_I4, "", "", "L:5000", ""},
      {"IntervaloSinalVerde", 0x6803000B, P, OA_I4, "", "", "L:1500", "",
       on<C>([](C &c) { EXPECT_EQ(c.intervaloSinalVerde(), 1500); })},
      {"IntervaloSinalVermelho", 0x6803000A, P, OA_I4, "", "", "L:2500", "",
       on<C>([](C &c) { EXPECT_EQ(c.intervaloSinalVermelho(), 2500); })},
      {"ExcluirUsuario", 0x60030024, M, OA_I4, "CodUsuario:8", "", "S:", "L:0"},
      {"Aparencia", 0x68030009, P, OA_UI1, "", "", "B:3", "",
       on<C>([](C &c) { EXPECT_EQ(c.size(), QSize(311, 357)); })},
      {"Relogio", 0x68030008, P, OA_UI1, "", "", "B:0", "", on<C>([](C &c) { EXPECT_FALSE(c.relogioVisivel()); })},
      {"ColorirMoldura", 0x68030007, P, OA_UI1, "", "", "B:1", "", on<C>([](C &c) { EXPECT_TRUE(c.colorirMoldura()); })},
      {"MolduraImagem", 0x68030006, P, OA_UI1, "", "", "B:0", "", on<C>([](C &c) { EXPECT_FALSE(c.molduraVisivel()); })},
      {"msgSinalVerde", 0x68030005, P, OA_STR, "", "", "S:Ok!", "", on<C>([](C &c) { EXPECT_EQ(c.msgSinalVerde(), "Ok!"); })},
      {"msgSinalVermelho", 0x68030004, P, OA_STR, "", "", "S:Não!", "",
       on<C>([](C &c) { EXPECT_EQ(c.msgSinalVermelho(), "Não!"); })},
      {"msgSinalAmarelo", 0x68030003, P, OA_STR, "", "", "S:Aguarde", "",
       on<C>([](C &c) { EXPECT_EQ(c.msgSinalAmarelo(), "Aguarde"); })},
      {"SemafaroAutomatico", 0x68030002, P, OA_UI1, "", "", "B:0", "",
       on<C>([](C &c) { EXPECT_FALSE(c.semafaroAutomatico()); })},
      {"AtivarDesempate", 0x68030001, P, OA_UI1, "", "", "B:0", "", on<C>([](C &c) { EXPECT_FALSE(c.ativarDesempate()); })},
      {"RetornarListaCandidatos", 0x68030000, P, OA_UI1, "", "", "B:1", "",
       on<C>([](C &c) { EXPECT_TRUE(c.retornarListaCandidatos()); })},
      {"VerificarUsuario", 0x60030025, M, OA_EMPTY, "CodUsuario:8", "", "S:42", "-",
       on<C>([](C &c) { EXPECT_EQ(c.etapa(), 2); })},
      {"MolduraVerde", 0x60030028, M, OA_EMPTY, "", "", "", "-", on<C>([](C &c) { EXPECT_EQ(c.corMoldura(1), kVerde); })},
      {"MolduraVermelha", 0x60030029, M, OA_EMPTY, "", "", "", "-",
       on<C>([](C &c) { EXPECT_EQ(c.corMoldura(1), kVermelho); })},
      {"MolduraAmarela", 0x6003002A, M, OA_EMPTY, "", "", "", "-",
       on<C>([](C &c) { EXPECT_EQ(c.corMoldura(1), kAmarelo); })},
      {"MolduraCinza", 0x6003002B, M, OA_EMPTY, "", "", "", "-", on<C>([](C &c) {
         EXPECT_EQ(c.corMoldura(0), kCinza);
         EXPECT_EQ(c.corMoldura(1), kPrata);
       })},
      {"GravarImagem", 0x6003002C, M, OA_I4, "Path:8", "", "S:   ", "L:0"},
  };
}

std::vector<Row> cadastrarRows() {
  using C = CtrlCadastrar;
  return {
      {"StopProcess", 0x40030015, G | P, OA_BOOL, "", "T:false", "T:true", "T:true"},
      {"ColorirMoldura", 0x68030008, P, OA_UI1, "", "", "B:2", "", on<C>([](C &c) { EXPECT_TRUE(c.colorirMoldura()); })},
      {"MolduraVerde", 0x6003000D, M, OA_EMPTY, "", "", "", "-", on<C>([](C &c) { EXPECT_EQ(c.corMoldura(0), kVerde); })},
      {"MolduraVermelha", 0x6003000E, M, OA_EMPTY, "", "", "", "-",
       on<C>([](C &c) { EXPECT_EQ(c.corMoldura(0), kVermelho); })},
      {"MolduraAmarela", 0x6003000F, M, OA_EMPTY, "", "", "", "-",
       on<C>([](C &c) { EXPECT_EQ(c.corMoldura(0), kAmarelo); })},
      {"MolduraCinza", 0x60030010, M, OA_EMPTY, "", "", "", "-", on<C>([](C &c) { EXPECT_EQ(c.corMoldura(0), kCinza); })},
      {"MostrarMinucias", 0x68030007, P, OA_UI1, "", "", "B:1", "", on<C>([](C &c) { EXPECT_TRUE(c.minuciasVisiveis()); })},
      {"EncerrarBiometrica", 0x60030014, M, OA_EMPTY, "", "", "", "-"},
      {"InicializarBiometrica", 0x60030015, M, OA_EMPTY, "", "", "", "-", on<C>([](C &c) { EXPECT_TRUE(c.iniciado()); })},
      {"CadastrarDigital", 0x60030016, M, OA_EMPTY, "IndiceDedo:17,CodUsuario:8", "", "B:1|S:0042", "-",
       on<C>([](C &c) {
         EXPECT_EQ(c.usuarioArmado(), "0042");
         EXPECT_EQ(c.dedoArmado(), 1);
         EXPECT_EQ(c.mensagem(), "Indicador Direito - Toque o sensor!");
         EXPECT_EQ(estado().estadoOperacao, 2);
       })},
      {"ExcluirUsuario", 0x60030017, M, OA_I4, "CodUsuario:8", "", "S:", "L:0"},
      {"MolduraImagem", 0x68030006, P, OA_UI1, "", "", "B:0", "", on<C>([](C &c) { EXPECT_FALSE(c.molduraVisivel()); })},
      {"Aparencia", 0x68030005, P, OA_UI1, "", "", "B:4", "", on<C>([](C &c) { EXPECT_EQ(c.size(), QSize(311, 304)); })},
      {"GravarImagem", 0x60030018, M, OA_I4, "Path:8", "", "S:", "L:0"},
      {"CadastrarImagemArquivo", 0x60030019, M, OA_EMPTY, "IndiceDedo:17,CodUsuario:8,PathArquivo:8", "",
       "B:2|S:7|S:/nonexistent.bmp", "-"},
      {"ModoCadastro", 0x68030004, P, OA_UI1, "", "", "B:2", "", on<C>([](C &c) { EXPECT_FALSE(c.tresToques()); })},
      {"LimparImageDigital", 0x6003001B, M, OA_EMPTY, "", "", "", "-"},
      {"RigidezCadastro", 0x68030003, G | P, OA_I2, "", "I:2", "I:0", "I:0", on<C>([](C &c) { EXPECT_EQ(c.limiar(), 48); })},
      {"NumeroMinimoPontos", 0x68030002, G | P, OA_UI1, "", "B:10", "B:12", "B:12"},
      {"VerificarDigitaisDuplicadas", 0x68030001, G | P, OA_UI1, "", "B:0", "B:2", "B:1"},
      {"IndiceSensor", 0x68030000, G | P, OA_UI1, "", "B:0", "B:4", "B:4"},
  };
}

std::vector<Row> sensorRows() {
  using C = CtrlSensor;
  return {
      {"EncerrarSensor", 0x60030002, M, OA_EMPTY, "", "", "", "-"},
      {"InicializarSensor", 0x60030003, M, OA_EMPTY, "", "", "", "-", on<C>([](C &c) { EXPECT_TRUE(c.iniciado()); })},
      {"SerialSensor", 0x68030001, G | P, OA_STR, "", "S:", "S:{A1B2-C3}", "S:{A1B2-C3}"},
      {"IndiceSensor", 0x68030000, G | P, OA_UI1, "", "B:0", "B:2", "B:2"},
  };
}

std::vector<Row> fpdbRows() {
  return {
      {"HabilitarTrace", 0x68030006, P, OA_UI1, "", "", "B:1", "",
       [](QWidget *) { EXPECT_EQ(estado().banco.habilitarTrace, 1); }},
      {"ConexaoSQL", 0x68030005, P, OA_STR, "", "", "S:Data Source=x.mdb", "",
       [](QWidget *) { EXPECT_EQ(estado().banco.conexaoSQL, "Data Source=x.mdb"); }},
      {"CarregarDigitais", 0x68030004, P, OA_UI1, "", "", "B:0", "",
       [](QWidget *) { EXPECT_EQ(estado().banco.carregarDigitais, 0); }},
      {"SQLDelimitadorString", 0x68030003, P, OA_UI1, "", "", "B:2", "",
       [](QWidget *) { EXPECT_EQ(estado().banco.delimitadorString, "\""); }},
      {"ClausulaSQLWhere", 0x68030002, P, OA_STR, "", "", "S:IndiceDedo < 5", "",
       [](QWidget *) { EXPECT_EQ(estado().banco.clausulaSQLWhere, "IndiceDedo < 5"); }},
      {"InicializarFPdb", 0x60030007, M, OA_EMPTY, "", "", "", "-"},
      {"EncerrarFPdb", 0x60030008, M, OA_EMPTY, "", "", "", "-"},
      {"NumeroPontoIdentificador", 0x68030001, P, OA_UI1, "", "", "B:3", "",
       [](QWidget *) { EXPECT_EQ(estado().banco.numeroPontoIdentificador, 3); }},
      {"QuantidadePontosIdentificadores", 0x68030000, P, OA_UI1, "", "", "B:4", "",
       [](QWidget *) { EXPECT_EQ(estado().banco.quantidadePontosIdentificadores, 4); }},
  };
}

std::vector<Row> imageRows() {
  return {
      {"fpiWidth", 0x40030000, G | P, OA_I4, "", "L:0", "L:301", "L:301"},
      {"fpiHeight", 0x40030001, G | P, OA_I4, "", "L:0", "L:400", "L:400"},
      {"fpiImage", 0x40030002, G | P | R, OA_VARIANT, "", "-", "A:0,128,255", "A:0,128,255"},
      {"fpiNew", 0x40030003, G | P, OA_BOOL, "", "T:false", "T:true", "T:true"},
      {"fpiRunning", 0x40030004, G | P, OA_BOOL, "", "T:false", "T:true", "T:true"},
  };
}

void driveTable(component::Object *o, const std::vector<Row> &rows) {
  const component::ClassInfo *info = o->classInfo();
  ASSERT_EQ(info->memberCount, rows.size()) << info->name;
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row &r = rows[i];
    const component::MemberInfo &m = info->members[i];
    SCOPED_TRACE(std::string(info->name) + "." + r.name);
    // Interface order, identity and shape.
    EXPECT_STREQ(m.name, r.name);
    EXPECT_EQ(m.dispid, r.dispid);
    EXPECT_EQ(m.kinds, r.kinds);
    EXPECT_EQ(m.type, r.type);
    EXPECT_EQ(params(m), r.params);

    Value v;
    component::ErrorInfo err;
    if (r.kinds & M) {
      std::vector<Value> args;
      for (size_t s = 0; !r.set.empty() && s <= r.set.size();) {
        size_t e = r.set.find('|', s);
        if (e == std::string::npos) e = r.set.size();
        args.push_back(parse(r.set.substr(s, e - s)));
        s = e + 1;
      }
      // Variant arguments by reference point at the caller's value.
      std::vector<Value> refs;
      std::vector<oa_variant> raw;
      for (int k = 0; k < m.paramCount && k < int(args.size()); ++k) {
        if (m.params[k].type == VREF) refs.push_back(Value::refTo(args[k].get()));
        raw.push_back(m.params[k].type == VREF ? *refs.back().get() : *args[k].get());
      }
      ASSERT_EQ(o->invoke(r.dispid, M, raw.data(), uint32_t(raw.size()), v.get(), &err), component::kOk) << err.text;
      EXPECT_EQ(show(v), r.after);
      // The wrong number of arguments is refused.
      EXPECT_EQ(o->invoke(r.dispid, M, raw.data(), uint32_t(raw.size()) + 1, v.get(), &err), component::kBadArgCount);
    } else {
      if (r.kinds & G) {
        ASSERT_EQ(o->invoke(r.dispid, G, nullptr, 0, v.get(), &err), component::kOk) << err.text;
        EXPECT_EQ(show(v), r.byDefault) << "default";
      } else {
        EXPECT_EQ(o->invoke(r.dispid, G, nullptr, 0, v.get(), &err), component::kBadInvokeKind) << "write-only";
      }
      Value in = parse(r.set);
      ASSERT_EQ(o->invoke(r.dispid, P, in.get(), 1, nullptr, &err), component::kOk) << err.text;
      if (r.kinds & G) {
        ASSERT_EQ(o->invoke(r.dispid, G, nullptr, 0, v.get(), &err), component::kOk);
        EXPECT_EQ(show(v), r.after) << "read back";
      }
      EXPECT_EQ(o->invoke(r.dispid, M, nullptr, 0, v.get(), &err), component::kBadInvokeKind);
    }
    if (r.check) r.check(static_cast<QWidget *>(o->view()));
  }
  Value v;
  EXPECT_EQ(o->invoke(0x12345, G, nullptr, 0, v.get(), nullptr), component::kMemberNotFound);
}

class Members : public ::testing::Test {
protected:
  void SetUp() override {
    ensureApp();
    useEngine("libfake_ppvbp42.so");
  }
};

} // namespace

TEST_F(Members, CtrlIdentificar) {
  auto o = create("ctrlIdentificar");
  driveTable(o.get(), identificarRows());
}

TEST_F(Members, CtrlCadastrar) {
  auto o = create("ctrlCadastrar");
  driveTable(o.get(), cadastrarRows());
}

TEST_F(Members, CtrlSensor) {
  auto o = create("ctrlSensor");
  driveTable(o.get(), sensorRows());
  callMethod(o.get(), 0x60030002, {});
}

TEST_F(Members, CtrlFPdb) {
  auto o = create("ctrlFPdb");
  driveTable(o.get(), fpdbRows());
}

TEST_F(Members, FingerPrintImage) {
  component::Ref<component::Object> slot(imageSlotObject(3));
  ASSERT_TRUE(slot);
  EXPECT_EQ(slot->view(), nullptr);
  driveTable(slot.get(), imageRows());
  // The slot itself holds what was put.
  EXPECT_EQ(estado().imagem(3)->fpiWidth, 301);
  EXPECT_TRUE(estado().imagem(3)->fpiNew);
  EXPECT_EQ(imageSlotObject(5), nullptr) << "only slots 0 to 4 exist";
}

TEST(Identities, ClassesInterfacesEventsAndLibrary) {
  struct Id {
    const component::ClassInfo *info;
    const char *clsid, *iid, *events, *iname, *ename;
    bool creatable;
  };
  const Id ids[] = {
      {&kCtrlIdentificarInfo, "{7545D7FA-3BFD-4688-8F75-E12B6CBC5410}", "{8FE4A09D-2EB6-4B92-BC44-7131BCCF38E3}",
       "{4F9C8B1A-ED04-49EE-82B4-843B5D5389D6}", "_ctrlIdentificar", "__ctrlIdentificar", true},
      {&kCtrlCadastrarInfo, "{215BDB56-7C3F-4FCC-9832-3EED65F5889D}", "{72FE4520-BB14-4060-BA3C-013B8069C60F}",
       "{58807E35-FA6F-4925-81AB-F163657E9132}", "_ctrlCadastrar", "__ctrlCadastrar", true},
      {&kCtrlSensorInfo, "{A8F8140B-AB14-4AA2-B91C-89AA408E3F58}", "{F7835851-949F-4218-A75A-D7E4731BEBB2}",
       "{DE85C451-1C35-4F59-9997-750ADBFF915A}", "_ctrlSensor", "__ctrlSensor", true},
      {&kCtrlFPdbInfo, "{D1D7ACDB-B491-4350-8D35-E50C34A5AE8C}", "{97FB57F8-6532-4416-A241-5884A11FD21F}",
       "{FA4F9E62-44D9-4568-957D-FBAF7F996716}", "_ctrlFPdb", "__ctrlFPdb", true},
      {&kFingerPrintImageInfo, "{6FA1F1DE-113F-4C64-9E6D-DB517B75E25D}", "{B4022851-8612-4B2D-A357-2631B05C0CC9}",
       "{00000000-0000-0000-0000-000000000000}", "_FingerPrintImage", "", false},
  };
  for (const Id &id : ids) {
    SCOPED_TRACE(id.info->name);
    EXPECT_EQ(component::formatGuid(id.info->clsid), id.clsid);
    EXPECT_EQ(component::formatGuid(id.info->iid), id.iid);
    EXPECT_EQ(component::formatGuid(id.info->eventIid), id.events);
    EXPECT_STREQ(id.info->interfaceName, id.iname);
    EXPECT_STREQ(id.info->eventInterfaceName, id.ename);
    EXPECT_EQ(id.info->creatable, id.creatable);
  }
  EXPECT_EQ(component::formatGuid(kTypeLib.libid), "{37D93AA9-DD75-4976-A38D-BF367F0326C5}");
  EXPECT_EQ(kTypeLib.major, 1);
  EXPECT_EQ(kTypeLib.minor, 0);
  EXPECT_EQ(kTypeLib.locale, 1033u);
}

TEST(Identities, EventsWithTheirArguments) {
  auto sig = [](const component::ClassInfo &c) {
    std::vector<std::string> out;
    for (size_t i = 0; i < c.eventCount; ++i) {
      const auto &e = c.events[i];
      std::string s = std::to_string(e.dispid) + " " + e.name + "(";
      for (int k = 0; k < e.paramCount; ++k) s += (k ? "," : "") + std::string(e.params[k].name) + ":" + std::to_string(e.params[k].type);
      out.push_back(s + ")");
    }
    return out;
  };
  EXPECT_EQ(sig(kCtrlIdentificarInfo),
            (std::vector<std::string>{"1 UsuarioIdentificado(IndiceDedo:17,CodUsuario:8,IndiceSensor:17)",
                                      "2 BiometricaInicializada()", "3 BiometricaEncerrada()",
                                      "4 ImagemDigitalCapturada(IndiceSensor:17)", "5 MinuciasEncontradas(Numero:3)",
                                      "6 Msg(texto:8)", "7 ErroMsg(texto:8)", "8 BaixoNumeroPontos(Numero:3)",
                                      "9 UsuarioExcluido(CodUsuario:8)", "10 ProcessandoDesempate(NumeroCandidatos:3)"}));
  EXPECT_EQ(sig(kCtrlCadastrarInfo),
            (std::vector<std::string>{"1 CadastroConcluido(Sucesso:17,IndiceDedo:17)", "2 BiometricaInicializada()",
                                      "3 BiometricaEncerrada()", "4 ImagemDigitalCapturada(IndiceSensor:17)",
                                      "5 MinuciasEncontradas(Numero:3)", "6 Msg(texto:8)", "7 ErroMsg(texto:8)",
                                      "8 BaixoNumeroPontos(Numero:3)", "9 DigitaisDuplicadas()",
                                      "10 UsuarioExcluido(CodUsuario:8)"}));
  EXPECT_EQ(sig(kCtrlSensorInfo),
            (std::vector<std::string>{"1 SensorInicializado()", "2 SensorEncerrado()", "3 InicializandoSensor()",
                                      "4 Msg(texto:8)", "5 ErroMsg(texto:8)"}));
  EXPECT_EQ(sig(kCtrlFPdbInfo),
            (std::vector<std::string>{"1 FPdbInicializado()", "2 FPdbEncerrado()", "3 InicializandoFPdb()",
                                      "4 Msg(texto:8)", "5 ErroMsg(texto:8)"}));
}
