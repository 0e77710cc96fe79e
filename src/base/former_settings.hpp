#pragma once
// The one-time import of the former product's settings and shortcuts file. Runs first at process
// start, on the main thread, before anything reads the preferences.

#include "platform/defaults.hpp"
#include "platform/files.hpp"
#include "platform/paths.hpp"

namespace corvane::base {

inline constexpr const char* kFormerSettingsSuite = "local.pellmark.Pellmark";

/// Copies the former product's settings that the standard store lacks (values unchanged, never
/// overwriting), then its shortcuts file when there is none of ours yet; marks the import done
/// first, so it happens once per user even when nothing was found. File errors end it silently.
void importFormerSettings(platform::Defaults& standard, platform::Files& files, const platform::Paths& paths);

}  // namespace corvane::base
