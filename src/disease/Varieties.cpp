#include "disease/Varieties.h"

#include <array>

namespace tulo {

namespace {

constexpr BlastChoice MR = BlastChoice::MediumResistant;
constexpr BlastChoice MS = BlastChoice::MediumSusceptible;
constexpr BlastChoice S = BlastChoice::Susceptible;

// Kept in display order, so the list needs no sorting at run time.
constexpr std::array<BlastVariety, 127> kVarieties{{
    {"ADELIO", MS},         {"ALBATROS", MS},
    {"ALFA", MR},           {"ALICE", MR},
    {"ALPE", MR},           {"AMBRA", MS},
    {"ANDOLLA", S},         {"APOLLO", MS},
    {"ARBORIO", MR},        {"ARBORIO PRECOCE", MR},
    {"ARCO", MR},           {"ARGO", MR},
    {"ARIETE", MR},         {"ARTICO", MS},
    {"ARTIGLIO", S},        {"ASSO", MS},
    {"AUGUSTO", S},         {"BALDO", MR},
    {"BALI", MR},           {"BALILLA", MR},
    {"BARAGGIA", MR},       {"BASTIA", MR},
    {"BONNET BELL", MR},    {"BRAVO", MR},
    {"BURMA", MR},          {"CARNAROLI", MR},
    {"CASTELMOCHI", MS},    {"CERVO", S},
    {"CISTELLA", MS},       {"COBRA", MS},
    {"CONDOR", MS},         {"CRIPTO", MS},
    {"DEDALO", MS},         {"DIANA", MS},
    {"DORELLA", MS},        {"DORIA", MS},
    {"DRAGO", S},           {"EBRO", MS},
    {"ELBA", MS},           {"ELIO", MS},
    {"ELVO", MR},           {"EOLO", MS},
    {"EUROPA", MR},         {"EUROSE", MR},
    {"FENIS", MS},          {"FLIPPER", MR},
    {"FRAGRANCE", S},       {"GANGE", MR},
    {"GARDA", MS},          {"GEMINI", MS},
    {"GHIBLI", MS},         {"GIADA", MS},
    {"GIOVE", MS},          {"GLADIO", MS},
    {"GRALDO", S},          {"IBIS", MR},
    {"ICARO", S},           {"ICE", MS},
    {"IDRA", MS},           {"ITALICO", MS},
    {"ITALMOCHI", MR},      {"KORAL", MR},
    {"LAGO", MR},           {"LAMONE", MS},
    {"LAMPO", MS},          {"LIDO", MS},
    {"LOMELLINO", S},       {"LORD", MR},
    {"LOTO", MS},           {"MARENGO", MR},
    {"MARTE", MS},          {"MEDUSA", MS},
    {"MERCURIO", S},        {"MIDA", S},
    {"NEMBO", MS},          {"NETTUNO", MS},
    {"NIBBIO", MR},         {"NUOVO MARATELLI", MR},
    {"ONDA", MR},           {"OSCAR", MS},
    {"PADANO", MR},         {"PANDA", MS},
    {"PEGASO", MS},         {"PERLA", S},
    {"PERSEO", MS},         {"PIEMONTE", MS},
    {"PORTO", MS},          {"PREVER", MS},
    {"PROMETEO", MS},       {"REDI", MS},
    {"RIBE", MS},           {"RINGO", MR},
    {"RIVA", MR},           {"ROMA", MR},
    {"ROSA MARCHETTI", MR}, {"ROVA", MR},
    {"RUBINO", MR},         {"S.ANDREA", MS},
    {"S.PIETRO", MR},       {"SANTERNO", MS},
    {"SARA", MR},           {"SATURNO", MS},
    {"SAVIO", MR},          {"SELENIO", MS},
    {"SERENO", MR},         {"SESIAMOCHI", MS},
    {"SILLARO", MR},        {"SMERALDO", MS},
    {"SORRISO", MS},        {"SPINA", MS},
    {"STRELLA", MS},        {"STRESA", S},
    {"TARRISO", MS},        {"TEA", MS},
    {"TEJO", MS},           {"THAIBONNET", MR},
    {"TITANIO", MR},        {"TORIO", MR},
    {"VEGA", MR},           {"VELA", MS},
    {"VENERE", MS},         {"VENERIA", MS},
    {"VIALONE NANO", MS},   {"VOLANO", MR},
    {"ZENA", MR},           {"ZENIT", MS},
    {"ZEUS", MR},
}};

} // namespace

std::string_view BlastChoiceCaption(BlastChoice choice) {
    switch (choice) {
    case BlastChoice::MediumResistant:
        return "medium/resistant";
    case BlastChoice::MediumSusceptible:
        return "medium/susceptible";
    case BlastChoice::Susceptible:
        return "susceptible";
    }
    return {};
}

std::int32_t BlastChoiceClass(BlastChoice choice) {
    switch (choice) {
    case BlastChoice::MediumResistant:
        return 3;
    case BlastChoice::MediumSusceptible:
        return 2;
    case BlastChoice::Susceptible:
        return 1;
    }
    return 1;
}

std::span<const BlastVariety> BlastVarieties() {
    return kVarieties;
}

std::vector<std::string_view> BlastVarietyDisplayList() {
    std::vector<std::string_view> list;
    list.reserve(kVarieties.size() + 1);
    for (const BlastVariety& variety : kVarieties) list.push_back(variety.name);
    list.push_back("other");
    return list;
}

std::optional<BlastChoice> BlastChoiceOfVariety(std::string_view text) {
    for (const BlastVariety& variety : kVarieties) {
        if (variety.name == text) return variety.choice;
    }
    return std::nullopt;
}

} // namespace tulo
