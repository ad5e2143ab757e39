#pragma once
// The crop parameter registry: the one description of every crop parameter of a run. Validation, the
// configuration file, the crop workbook, the combination files, the command line's parameter list, the
// README's table and the calibration and sensitivity lists all read it, so a label, a bound or a key is
// written once.

#include "base/Problems.h"
#include "engine/RunState.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// How the window shows a parameter: a text box, a list whose item k is code k, a check box (0/1), or
// not at all (a constant of the model).
enum class ParameterControl { Text, List, Check, Constant };

// Members an entry leaves out are empty, zero or null.
struct ParameterInfo {
    std::string_view id = {};      // the run's parameter name: "RUE", "Tb", ...
    std::string_view control = {}; // the form's field (ctl::txtRUE ...); empty for a constant
    ParameterControl controlKind = ParameterControl::Text;
    bool whole = false; // a 32-bit integer in the run (codes and switches); otherwise single precision
    // Shown on the Management page beside the transplanting date rather than on the Crop page: it
    // describes how a transplanted crop is planted.
    bool transplanting = false;
    std::string_view unit = {};
    std::string_view label = {};       // the caption beside the window's field
    std::string_view defaultText = {}; // the field's text when the window opens
    // Accepted values, inclusive, each with the reason it is the bound.
    double min = 0;
    double max = 0;
    std::string_view minReason = {};
    std::string_view maxReason = {};
    // List parameters: the list's items, item k standing for code k (an unknown text is refused).
    std::span<const std::string_view> choices = {};
    int workbookRow = 0;                      // row of the crop workbook; 0 when not stored
    std::string_view workbookKey = {};        // column 3 of that row (may be empty)
    std::string_view workbookLabel = {};      // column 2
    std::string_view workbookNote = {};       // column 4
    int combinationLine = 0;                  // line of a fitting combination file (".crp"); 0 when not kept
    std::string_view calibrationCaption = {}; // caption in the calibration lists; empty when not calibratable
    std::string_view calibrationKey = {};     // "myRUE" ...
    std::string_view calibrationMin = {};     // the calibration window's default range
    std::string_view calibrationMax = {};
    int factor = 0;                    // sensitivity factor k ("park"); 0 when none
    std::string_view factorLabel = {}; // the sensitivity window's row label
    std::string_view factorMean = {};  // and its default mean and standard deviation
    std::string_view factorSD = {};
    float CropParameters::*single = nullptr;         // the run-state member (single-precision parameters)
    std::int32_t CropParameters::*integer = nullptr; // the run-state member (32-bit parameters)
};

// Every crop parameter, in the order of the run's parameter list.
std::span<const ParameterInfo> CropParameterRegistry();

// The parameter with this id, or none.
const ParameterInfo* FindParameter(std::string_view id);
// Position of a parameter in the registry, or -1.
int ParameterIndex(std::string_view id);

// The crop parameter a name stands for: its registry id ("RUE"), its crop workbook key, or its caption
// in the window or the calibration lists; case is ignored when only one parameter matches that way.
const ParameterInfo* FindParameterByName(std::string_view name);

// The parameter's value in a run's parameter set, and the value written into it (single parameters
// take the value rounded to single precision, 32-bit ones rounded half to even).
double GetParameter(const CropParameters& crop, const ParameterInfo& info);
// The value a new season holds: the default text read as the field reads it (a list's item as its code,
// an empty box as 0).
double DefaultParameterValue(const ParameterInfo& info);
// Every parameter at its default: the crop of a new season.
CropParameters DefaultCropParameters();
void SetParameter(CropParameters& crop, const ParameterInfo& info, double value);

// A problem naming the parameter, the value and the accepted range when the value lies outside its
// bounds (or is not finite), or when a list's or a box's code is not a whole number.
std::optional<InputProblem> CheckParameterBounds(const ParameterInfo& info, double value);

// The accepted values of a quantity of the crop's state that a user may impose on a run (a forced leaf
// area index), inclusive, each bound with its reason.
struct StateBound {
    std::string_view label = {};
    std::string_view unit = {};
    double min = 0;
    double max = 0;
    std::string_view minReason = {};
    std::string_view maxReason = {};
};
const StateBound& LeafAreaIndexBound();
// A problem text naming the value and the accepted range when the value lies outside it (or is not
// finite); nothing otherwise.
std::optional<std::string> CheckStateBound(const StateBound& bound, double value);
std::optional<std::string> CheckStateBound(const StateBound& bound, float value); // quoted as a single

// Two parameters the model's equations need strictly ordered, lower first, and what breaks otherwise.
struct ParameterOrder {
    std::string_view lower, upper, why;
};
std::span<const ParameterOrder> ParameterOrders();

// Whether the development method reads the day lengths DLC and DLO (the photoperiod methods).
bool MethodReadsDayLengths(const CropParameters& crop);

// The rules between parameters: DLC and DLO differ when the method reads them, and the orders the
// model's equations need between parameters (the base temperature for growth below the
// optimum, the optimum below the maximum, ...): one problem per rule broken, naming both parameters.
// `known` says which parameters hold a value read correctly (indexed like the registry; empty: all).
Problems CheckParameterRelations(const CropParameters& crop, const std::vector<bool>& known = {});

} // namespace tulo
