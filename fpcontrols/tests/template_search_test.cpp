// The one-to-many search over the groups in memory, with the fake engine
// scoring each template by the bytes it was made with.
#include "shared_state.h"
#include "template_search.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <set>
#include <sstream>

using namespace dactilox;
using namespace dactilox::test;

namespace {

constexpr int kSlot = 2, kContext = 31;

class TemplateSearch : public ::testing::Test {
protected:
  void SetUp() override {
    ensureApp();
    useEngine("libfake_ppvbp42.so");
    clearEngineCalls();
    limpar();
    estado().limiarIdentificacao = 72;
  }
  void TearDown() override { limpar(); }
  static void limpar() {
    for (auto &g : estado().gruposDigitais) g.reset();
    estado().tempoEsgotado = false;
    *estado().resultado(kSlot) = ResultadoSensorSlot{};
    esvaziarCandidatos();
  }
  static void adicionar(const QString &code, uint8_t finger, uint8_t key, uint8_t score) {
    auto &g = estado().gruposDigitais[key];
    if (!g) g.emplace();
    g->push_back({code, finger, fakeTemplate(key, score)});
  }
  static std::vector<int> visitas() {
    std::vector<int> out;
    std::stringstream ss(engineVisits());
    std::string item;
    while (std::getline(ss, item, ',')) out.push_back(std::stoi(item));
    return out;
  }
  static const ResultadoSensorSlot &resultado() { return *estado().resultado(kSlot); }
};

// The order of the fast search, written from its description: the key, then
// one step up and one down, two up and two down, skipping what lies outside.
std::vector<int> ordemEsperada(int key) {
  std::vector<int> out{key};
  for (int d = 1; int(out.size()) < kGroups; ++d) {
    if (key + d <= 255) out.push_back(key + d);
    if (key - d >= 0) out.push_back(key - d);
  }
  return out;
}

} // namespace

TEST_F(TemplateSearch, FastModeVisitsEveryGroupOnceOutwardFromTheKey) {
  for (int g = 0; g < kGroups; ++g) adicionar(QString::number(g), 1, uint8_t(g), 10);
  for (int key : {100, 0, 255, 1, 254}) {
    SCOPED_TRACE(key);
    clearEngineCalls();
    *estado().resultado(kSlot) = ResultadoSensorSlot{};
    EXPECT_EQ(Identify(fakeTemplate(uint8_t(key), 0), 1, kContext, kSlot), Busca::Concluida);
    const std::vector<int> seen = visitas();
    EXPECT_EQ(seen, ordemEsperada(key));
    EXPECT_EQ(std::set<int>(seen.begin(), seen.end()).size(), size_t(kGroups)) << "each group once";
    EXPECT_FALSE(resultado().identificado);
    EXPECT_TRUE(resultado().naoIdentificado);
  }
  const std::vector<int> first = {100, 101, 99, 102, 98};
  clearEngineCalls();
  Identify(fakeTemplate(100, 0), 1, kContext, kSlot);
  const std::vector<int> seen = visitas();
  ASSERT_GE(seen.size(), 5u);
  EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + 5), first);
}

TEST_F(TemplateSearch, FastModeStopsAtTheFirstMatchAndMissingGroupsCostNothing) {
  adicionar("50", 3, 99, 40);
  adicionar("60", 4, 102, 72);  // the threshold itself matches
  adicionar("70", 5, 102, 95);
  adicionar("80", 6, 98, 99);   // would match, but comes later
  EXPECT_EQ(Identify(fakeTemplate(100, 0), 1, kContext, kSlot), Busca::Concluida);
  EXPECT_EQ(visitas(), (std::vector<int>{99, 102}));
  EXPECT_TRUE(resultado().identificado);
  EXPECT_FALSE(resultado().naoIdentificado);
  EXPECT_EQ(resultado().codUsuario, "60") << "fast mode writes the code without separator";
  EXPECT_EQ(resultado().indiceDedo, 4);
  EXPECT_EQ(estado().quantidadeCandidatos, 0);
  EXPECT_EQ(engineCalls(), "VBPPIdentifyStart ctx 31\nVBPPIdentifyNext detail0 20 ctx 31\n"
                           "VBPPIdentifyNext detail0 20 ctx 31\nVBPPIdentifyEnd ctx 31\n");
}

TEST_F(TemplateSearch, FullModeCollectsEveryMatchAndOrdersThemBySimilarity) {
  struct Case {
    const char *name;
    std::vector<std::tuple<QString, uint8_t, uint8_t, uint8_t>> records;  // code, finger, group, score
    QString code;
    uint8_t finger;
    std::vector<std::pair<QString, int>> ordered;  // entries 0.. after OrdenarCandidatos
  };
  const Case cases[] = {
      {"A 80 then B 90", {{"A", 1, 5, 80}, {"X", 2, 5, 10}, {"B", 3, 9, 90}}, "A@@B@@", 3, {{"B", 90}, {"A", 80}, {"", 0}}},
      {"equal scores keep the order found", {{"A", 1, 5, 80}, {"B", 3, 9, 80}}, "A@@B@@", 3, {{"A", 80}, {"B", 80}, {"", 0}}},
      {"three", {{"C", 7, 0, 75}, {"A", 1, 5, 99}, {"B", 3, 255, 80}}, "C@@A@@B@@", 3,
       {{"A", 99}, {"B", 80}, {"C", 75}, {"", 0}}},
      {"none", {{"A", 1, 5, 71}}, "", 0, {{"", 0}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    limpar();
    for (const auto &[code, finger, group, score] : c.records) adicionar(code, finger, group, score);
    EXPECT_EQ(Identify(fakeTemplate(5, 0), 0, kContext, kSlot), Busca::Concluida);
    EXPECT_EQ(resultado().codUsuario, c.code);
    EXPECT_EQ(resultado().indiceDedo, c.finger) << "the finger of the last candidate found";
    EXPECT_EQ(resultado().identificado, !c.code.isEmpty());
    EXPECT_EQ(resultado().naoIdentificado, c.code.isEmpty());
    EXPECT_EQ(estado().quantidadeCandidatos, int(c.ordered.size()) - 1);
    OrdenarCandidatos();
    ASSERT_EQ(estado().listaCandidatos.size(), c.ordered.size());
    for (size_t k = 0; k < c.ordered.size(); ++k) {
      EXPECT_EQ(estado().listaCandidatos[k].codUsuario, c.ordered[k].first) << k;
      EXPECT_EQ(estado().listaCandidatos[k].pontuacao, c.ordered[k].second) << k;
    }
  }
}

TEST_F(TemplateSearch, TimeOutStopsAfterTheCurrentGroupAndGivesNotIdentified) {
  struct Case {
    uint8_t mode;
    std::vector<int> visited;
    bool matched;  // in the group searched before the time-out
  };
  // The time-out "ticks" at the first pump, that is right after the first group.
  const Case cases[] = {{1, {100}, false}, {0, {0, 0}, true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(int(c.mode));
    limpar();
    clearEngineCalls();
    adicionar("A", 1, 0, 90);
    adicionar("B", 2, 0, 10);
    adicionar("C", 3, 100, 10);
    adicionar("D", 4, 101, 90);
    QTimer::singleShot(0, [] { estado().tempoEsgotado = true; });
    EXPECT_EQ(Identify(fakeTemplate(100, 0), c.mode, kContext, kSlot), Busca::Concluida);
    EXPECT_EQ(visitas(), c.visited);
    EXPECT_FALSE(resultado().identificado) << "a time-out is never an identification";
    EXPECT_TRUE(resultado().naoIdentificado);
    EXPECT_EQ(estado().quantidadeCandidatos, c.matched ? 1 : 0);
  }
}

TEST_F(TemplateSearch, AnEngineFailureIsNotNobody) {
  adicionar("A", 1, 5, 90);
  fakeStartResult(-3);
  EXPECT_EQ(Identify(fakeTemplate(5, 0), 1, kContext, kSlot), Busca::Falhou);
  EXPECT_FALSE(resultado().identificado);
  EXPECT_FALSE(resultado().naoIdentificado) << "a failed search must not read as 'not identified'";
  EXPECT_EQ(engineCalls(), "VBPPIdentifyStart ctx 31\n") << "no comparison and no IdentifyEnd after a failed start";

  // Without the engine at all.
  useEngine("");
  EXPECT_EQ(Identify(fakeTemplate(5, 0), 0, kContext, kSlot), Busca::Falhou);
  EXPECT_FALSE(resultado().naoIdentificado);
}

TEST_F(TemplateSearch, GroupKeyIsTheSecondByte) {
  EXPECT_EQ(chaveGrupo(QByteArray("\x01\x07\x09", 3)), 7);
  EXPECT_EQ(chaveGrupo(QByteArray("\x01\xff", 2)), 255);
  EXPECT_EQ(chaveGrupo(QByteArray("\x01", 1)), 0);
}
