#pragma once
// The verification of each kind of item, and what they share: reading a whole file, walking a
// recording, comparing bytes. Each answers nothing once it has said in failure what it could not read.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "check/FramePass.h"
#include "check/Verification.h"

std::optional<Verification> VerifyJpeg(const QString& item, const QString& recording, VerifyFailure* failure);
std::optional<Verification> VerifyMjpCut(const QString& item, const QString& recording, VerifyFailure* failure);
std::optional<Verification> VerifyAvi(const QString& item, const QString& recording, VerifyFailure* failure);
std::optional<Verification> VerifyReport(const QString& item, const QString& recording, VerifyFailure* failure);

// The whole file, read-only; false with failure filled when it cannot be read.
bool ReadWholeFile(const QString& path, std::vector<std::uint8_t>& into, VerifyFailure* failure);
// Opens the pass on path; false with failure filled.
bool OpenPass(FramePass& pass, const QString& path, VerifyFailure* failure);
// A pass's run that read everything it needed; false with failure filled otherwise.
bool PassRan(const FramePass& pass, const QString& path, bool ran, VerifyFailure* failure);

// How many bytes from the start the two have in common.
std::int64_t CommonPrefix(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);
// The frame's bytes: in place when the window holds them, otherwise read into spare.
std::span<const std::uint8_t> FrameBytesOf(FramePass& pass, const PassFrame& f, std::vector<std::uint8_t>& spare);
VerifiedFrame VerifiedFrameOf(const PassFrame& f);
// "frame 12 (positions 4567-9876)"
QString FrameAt(int n, FilePos start, FilePos end);
