#include "template_search.h"

#include "control_support.h"
#include "papilo.h"
#include "shared_state.h"
#include "trace_log.h"

namespace dactilox {

namespace {

QString sensorEContexto(int slot, int32_t context) {
  return QStringLiteral("Sensor Indice: %1  -  Contexto: %2").arg(slot).arg(context);
}

// One comparison; nullopt when the engine could not be called. A refused
// template scores 0: the engine's result of IdentifyNext is not a verdict.
std::optional<int32_t> comparar(const FingerprintRecord &r, int32_t context) {
  VisaoBytes t(r.bioFeatures);
  DetalheComparacao d;
  if (!papilo().identifyNext(t.get(), &d, context)) return std::nullopt;
  return d.similaridade();
}

} // namespace

uint8_t chaveGrupo(const QByteArray &bioFeatures) {
  return bioFeatures.size() > 1 ? uint8_t(bioFeatures[1]) : 0;
}

VisaoBytes::VisaoBytes(const QByteArray &bytes) {
  m_array.elem_kind = OA_UI1;
  m_array.elem_size = 1;
  m_array.lower = 0;
  m_array.count = uint32_t(bytes.size());
  // The engine only reads templates and probes.
  m_array.data = const_cast<char *>(bytes.constData());
  m_variant.kind = OA_ARRAY | OA_UI1;
  m_variant.v.array = &m_array;
}

void esvaziarCandidatos() {
  estado().listaCandidatos.assign(1, Candidato{});
  estado().quantidadeCandidatos = 0;
}

bool IdentifyG(int group, int slot, int32_t context, bool &failed) {
  SharedState &s = estado();
  ResultadoSensorSlot *res = s.resultado(slot);
  if (group >= 0 && group < kGroups && s.gruposDigitais[size_t(group)]) {
    const std::vector<FingerprintRecord> &lista = *s.gruposDigitais[size_t(group)];
    for (const FingerprintRecord &r : lista) {
      if (s.tempoEsgotado) break;
      const std::optional<int32_t> sim = comparar(r, context);
      if (!sim) {
        gravarTrace(QStringLiteral("Erro ao identificar digital (IdentifyG)!"));
        failed = true;
        break;
      }
      if (*sim >= s.limiarIdentificacao) {
        if (res) {
          res->codUsuario = r.codUsuario;
          res->indiceDedo = r.indiceDedo;
          res->identificado = true;
        }
        return true;
      }
    }
  }
  pump();
  return false;
}

Busca Identify(const QByteArray &probe, uint8_t mode, int32_t context, int slot) {
  SharedState &s = estado();
  ResultadoSensorSlot *res = s.resultado(slot);
  if (!res) return Busca::Falhou;
  const int key = chaveGrupo(probe);
  bool failed = false;

  gravarTrace(QStringLiteral("    Identify Start - ") + sensorEContexto(slot, context));
  {
    VisaoBytes p(probe);
    const std::optional<int32_t> started = papilo().identifyStart(p.get(), context);
    // A refused probe would score 0 against everyone: a failure, not "nobody".
    if (!started || *started < 0) {
      gravarTrace(QStringLiteral("Erro ao identificar digital (Identify)!"));
      return Busca::Falhou;
    }
  }
  gravarTrace(QStringLiteral("    Retornou Identify Start"));

  if (mode == 1) {
    gravarTrace(QStringLiteral("    INICIO do Laço MODE FAST para IdentifyG"));
    int low = key, high = key, current = key;
    bool upward = true, done = false;
    while (!done && !s.tempoEsgotado) {
      if (IdentifyG(current, slot, context, failed)) break;
      if (low == 0 && high == kGroups - 1) {
        done = true;  // every group searched
        break;
      }
      if (high == kGroups - 1 && upward) upward = false;
      if (low == 0 && !upward) upward = true;
      if (upward) current = ++high;
      else current = --low;
      upward = !upward;
    }
    gravarTrace(QStringLiteral("    FIM do Laço MODE FAST para IdentifyG"));
  } else {
    for (int g = 0; g < kGroups && !s.tempoEsgotado; ++g) {
      if (!s.gruposDigitais[size_t(g)]) continue;
      const std::vector<FingerprintRecord> &lista = *s.gruposDigitais[size_t(g)];
      for (const FingerprintRecord &r : lista) {
        if (s.tempoEsgotado) break;
        const std::optional<int32_t> sim = comparar(r, context);
        if (!sim) {
          // Ends the search at once; a match recorded before stays.
          gravarTrace(QStringLiteral("Erro ao identificar digital (Identify)!"));
          return Busca::Falhou;
        }
        if (*sim >= s.limiarIdentificacao) {
          res->codUsuario += r.codUsuario + QStringLiteral("@@");
          res->indiceDedo = r.indiceDedo;
          res->identificado = true;
          ++s.quantidadeCandidatos;
          s.listaCandidatos.resize(size_t(s.quantidadeCandidatos) + 1);
          s.listaCandidatos[size_t(s.quantidadeCandidatos)] = Candidato{r.codUsuario, r.indiceDedo, *sim};
        }
      }
      pump();
    }
  }

  gravarTrace(QStringLiteral("    Identify End - ") + sensorEContexto(slot, context));
  papilo().identifyEnd(context);
  gravarTrace(QStringLiteral("    Retornou Identify End"));
  if (s.tempoEsgotado) res->identificado = false;
  // Groups the engine failed on were not searched: without a match that is
  // no answer, not "nobody".
  if (failed && !res->identificado) return Busca::Falhou;
  res->naoIdentificado = !res->identificado;
  return Busca::Concluida;
}

void OrdenarCandidatos() {
  std::vector<Candidato> &l = estado().listaCandidatos;
  const int q = estado().quantidadeCandidatos;
  if (int(l.size()) < q + 1) l.resize(size_t(q) + 1);
  for (int i = 0; i <= q; ++i) {
    for (int j = i; j <= q; ++j) {
      if (l[size_t(i)].pontuacao < l[size_t(j)].pontuacao) {
        Candidato moved = l[size_t(j)];
        for (int k = j; k > i; --k) l[size_t(k)] = l[size_t(k - 1)];
        l[size_t(i)] = moved;
      }
    }
  }
}

} // namespace dactilox
