// Every tuning value of the engine, in one place. Distances are pixels at
// 500 dpi, angles radians unless the name says otherwise.
#pragma once

namespace ppvbp::prm {

// ---- Limits of the interface
inline constexpr int kMaxImageSide = 2048;
inline constexpr int kMinImageSide = 32;
inline constexpr int kTemplateCapacity = 10001;  // caller's feature array
inline constexpr int kMaxMinutiae = 100;         // default of parameter 1000
inline constexpr int kMaxSingular = 16;

// ---- Segmentation (8-pixel cells)
inline constexpr int kCell = 8;
inline constexpr float kSegContrastFraction = 0.25f;  // of the 90th percentile cell deviation
inline constexpr float kSegMinDeviation = 6.0f;       // grey levels
inline constexpr float kSegMinCoherence = 0.12f;
inline constexpr int kSegCloseRadius = 2;  // cells
inline constexpr int kSegErodeCells = 1;

inline constexpr int kCropMarginCells = 3;  // kept around the print for the filters

// ---- Orientation field
inline constexpr int kOriWindow = 16;         // gradient window per cell
inline constexpr float kOriSmoothSigma = 1.6f;  // cells
inline constexpr float kSingSmoothSigma = 2.2f; // cells, for singular points

// ---- Ridge frequency
inline constexpr int kFreqWindowAlong = 16;
inline constexpr int kFreqWindowAcross = 32;
inline constexpr float kMinPeriod = 4.5f;
inline constexpr float kMaxPeriod = 16.0f;
inline constexpr float kDefaultPeriod = 9.0f;
inline constexpr float kPeriodSpreadAllowed = 0.3f;  // relative to the image median
inline constexpr float kFreqSmoothSigma = 2.0f;      // cells

// ---- Gabor enhancement
inline constexpr int kGaborAngles = 16;
inline constexpr float kGaborPeriodStep = 0.5f;
inline constexpr int kGaborRadius = 6;
inline constexpr float kGaborSigmaAcross = 0.45f;  // times the period
inline constexpr float kGaborSigmaAlong = 0.55f;   // times the period

// ---- Minutiae
inline constexpr int kTraceLength = 10;         // skeleton steps for a direction
inline constexpr int kBorderMargin = 6;         // distance to the mask edge
inline constexpr int kSpurLength = 8;          // shorter ridges between minutiae are noise
inline constexpr float kCloseDistance = 4.0f;   // two minutiae this close are a break or a hole
inline constexpr int kClusterRadius = 12;
inline constexpr int kClusterMax = 4;

// ---- Singular points
inline constexpr float kPoincareTolerance = 0.5f;  // radians off +-pi
inline constexpr float kSingMergeDistance = 24.0f;
inline constexpr float kWhorlDistance = 40.0f;

// ---- Group key: mean ridge period mapped to 0..255
inline constexpr float kKeyPeriodLow = 6.0f;
inline constexpr float kKeyPeriodScale = 32.0f;  // key units per pixel of period

// ---- Matching: local structures (edges to nearest neighbours)
inline constexpr int kNeighbours = 10;
inline constexpr float kEdgeMinLength = 8.0f;
inline constexpr float kEdgeMaxLength = 120.0f;
inline constexpr float kEdgeLengthBin = 8.0f;
inline constexpr int kEdgeAngleBins = 16;
inline constexpr float kEdgeLengthTol = 6.0f;
inline constexpr float kEdgeLengthTolRel = 0.06f;
inline constexpr float kEdgeAngleTol = 0.40f;

// ---- Matching: pairing and global consistency
inline constexpr int kRoots = 16;
inline constexpr int kMinVotes = 2;
inline constexpr float kPairDistTol = 7.0f;
inline constexpr float kPairDistTolPerPixel = 0.04f;  // grows with distance from the root
inline constexpr float kPairDistTolMax = 22.0f;
inline constexpr float kPairAngleTol = 0.45f;
inline constexpr int kGridCell = 24;
inline constexpr int kRefineRounds = 2;
inline constexpr float kKindMismatchWeight = 0.75f;
inline constexpr int kScoredAlignments = 3;
inline constexpr float kRefineMinWeight = 4.0f;

// ---- Candidates kept prepared by a comparator (one per search and per context)
inline constexpr long kCandidateCacheBytes = 128l << 20;

// ---- Scoring
inline constexpr int kMinOverlapCount = 8;
inline constexpr float kFlowAngleTol = 0.5f;  // flow cells further apart than this disagree
inline constexpr float kFlowPower = 1.5f;
inline constexpr int kSupportVotes = 2;
inline constexpr float kUnsupportedShare = 0.2f;

// ---- Generalisation
inline constexpr int kDefaultEnrollThreshold = 36;  // same finger when parameter 300 is unset

// ---- Calibration: raw score -> -12 log10(false match rate), piecewise linear
inline constexpr float kCalibRaw[] = {0.0000f, 0.1341f, 0.2606f, 0.4021f, 0.5549f, 0.7226f, 0.8901f, 1.0271f, 1.1896f, 3.0000f};
// Past 48 the scale follows the slope fitted to the impostor tail (the top 10
// to 1,000 of 122,880 scores of five collections: 37-38 points per raw unit),
// no longer a flatter, stricter guess that left genuine touches below 72.
inline constexpr float kCalibScore[] = {0.0f, 6.0f, 12.0f, 18.0f, 24.0f, 30.0f, 36.0f, 42.0f, 48.0f, 115.0f};

}  // namespace ppvbp::prm
