#pragma once
// The input records of a run: control, crop parameters and management, each filled from the main
// window's form by one operation. Missing mandatory fields give the program's own messages; texts that
// are not numbers, and dates out of their range, give a message naming the field. Every problem is
// collected, so the user can mend them all before the next run.

#include "base/Problems.h"
#include "engine/RunState.h"
#include "forms/FormModel.h"

#include <cstdint>

namespace tulo {

class ControlReader {
public:
    struct Values {
        std::int32_t InitialDate = 0;
        std::int32_t FinalDate = 0;
        bool optiLAItulo = false;
        bool optiLAIndvi = false;
        std::int32_t DOYforcingLAI = 0;
        float ForcingLAI = 0;
        bool SoilSimulation = false;
        bool BLASTsimulation = false;
        std::int32_t OptReportFile = 0;
        std::int32_t Year = 0; // 0 when the season's year is unknown
    };

    void ControlInput(const FormModel& form, Problems& problems);
    const Values& values() const { return values_; }
    bool GetAllInputSpecifiedControl() const { return allSpecified_; }

private:
    Values values_;
    bool allSpecified_ = true;
};

class CropReader {
public:
    void ReadCropParameters(const FormModel& form, Problems& problems);
    const CropParameters& values() const { return values_; }
    bool GetAllNumeric() const { return allNumeric_; }

private:
    CropParameters values_;
    bool allNumeric_ = true;
};

class ManagementReader {
public:
    void ManagementInput(const FormModel& form, Problems& problems);
    // Everything but the blast product and class, which the run reads from the form itself.
    const ManagementParameters& values() const { return values_; }
    bool GetAllInputSpecifiedManag() const { return allSpecified_; }

private:
    ManagementParameters values_;
    bool allSpecified_ = true;
};

} // namespace tulo
