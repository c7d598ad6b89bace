#pragma once

// The element and attribute names of the XML report, shared by the writer and the previewer.
namespace reportXml
{
constexpr const char* root = "QIT5.1Log";
constexpr const char* title = "UserSelectedTitle";
constexpr const char* interval = "MeasurementInterval";
constexpr const char* startTime = "StartTime";
constexpr const char* stopTime = "StopTime";
constexpr const char* upTime = "UpTime";
constexpr const char* measurements = "IntegratedMeasurements";
constexpr const char* integratedLoudness = "IntegratedLoudness";
constexpr const char* loudnessRange = "LoudnessRange";
constexpr const char* maxShortTerm = "MaxShortTerm";
constexpr const char* maxMomentary = "MaxMomentary";
constexpr const char* maxTruePeak = "MaxTruePeak";

constexpr const char* value = "value";
constexpr const char* unit = "unit";
constexpr const char* maxTime = "maxTime";
} // namespace reportXml
