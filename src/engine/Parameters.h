#pragma once
// The crop parameter registry: what the model knows of every crop parameter of a run (its id, unit,
// bounds and their reasons, default, caption, precision and run-state member). Validation, the ensemble,
// the searches and the command line's parameter list read it, so a bound or a caption is written once.
// How a file or a window shows a parameter is kept beside that file's reader or that window's form, in a
// table keyed by the registry's id.

#include "base/Outcome.h"
#include "base/Problems.h"
#include "engine/RunState.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// What a parameter's value is: a number, a code (item k of its list of choices is code k), a switch
// (0/1), or a constant of the model that no input sets.
enum class ParameterKind { Number, Code, Switch, Constant };

// Members an entry leaves out are empty, zero or null.
struct ParameterInfo {
    std::string_view id = {}; // the run's parameter name: "RUE", "Tb", ...
    ParameterKind kind = ParameterKind::Number;
    bool whole = false; // a 32-bit integer in the run (codes and switches); otherwise single precision
    // Describes how a transplanted crop is planted, so it is read only when the crop is transplanted.
    bool transplanting = false;
    std::string_view unit = {};
    std::string_view label = {};       // the caption the parameter is known by, in the window and messages
    std::string_view defaultText = {}; // a new season's value, as it is typed
    // Accepted values, inclusive, each with the reason it is the bound.
    double min = 0;
    double max = 0;
    std::string_view minReason = {};
    std::string_view maxReason = {};
    // Codes: the list's items, item k standing for code k (an unknown text is refused).
    std::span<const std::string_view> choices = {};
    float CropParameters::*single = nullptr;         // the run-state member (single-precision parameters)
    std::int32_t CropParameters::*integer = nullptr; // the run-state member (32-bit parameters)
};

// Every crop parameter, in the order of the run's parameter list.
std::span<const ParameterInfo> CropParameterRegistry();

// The parameter with this id, or none.
const ParameterInfo* FindParameter(std::string_view id);
// Position of a parameter in the registry, or -1.
int ParameterIndex(std::string_view id);

// The parameter's value in a run's parameter set, and the value written into it (single parameters
// take the value rounded to single precision, 32-bit ones rounded half to even).
double GetParameter(const CropParameters& crop, const ParameterInfo& info);
// The value a new season holds: the default text read as a form reads it (a code's item as its code,
// an empty text as 0).
double DefaultParameterValue(const ParameterInfo& info);
// Every parameter at its default: the crop of a new season.
CropParameters DefaultCropParameters();
void SetParameter(CropParameters& crop, const ParameterInfo& info, double value);

// A problem naming the parameter, the value and the accepted range when the value lies outside its
// bounds (or is not finite), or when a code or a switch is not a whole number. Its field is the
// parameter's id: a form points it at the control that shows the parameter.
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
// Fails with a text naming the value and the accepted range when the value lies outside it (or is not
// finite).
Outcome CheckStateBound(const StateBound& bound, double value);
Outcome CheckStateBound(const StateBound& bound, float value); // quoted as a single

// Two parameters the model's equations need strictly ordered, lower first, and what breaks otherwise.
struct ParameterOrder {
    std::string_view lower, upper, why;
};
std::span<const ParameterOrder> ParameterOrders();

// Whether the development method reads the day lengths DLC and DLO (the photoperiod methods).
bool MethodReadsDayLengths(const CropParameters& crop);

// The rules between parameters: DLC and DLO differ when the method reads them, and the orders the
// model's equations need between parameters (the base temperature for growth below the
// optimum, the optimum below the maximum, ...): one problem per rule broken, naming both parameters, its
// field the id of the parameter to change.
// `known` says which parameters hold a value read correctly (indexed like the registry; empty: all).
Problems CheckParameterRelations(const CropParameters& crop, const std::vector<bool>& known = {});

} // namespace tulo
