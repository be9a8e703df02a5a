#pragma once
// The system profiles of each Windows Media format version: our own catalogue of recordings
// for the usual connection speeds, in the order the profile manager numbers them. Video profiles
// hold an audio stream (number 1) and a video stream (number 2); each version ends with one
// audio-only profile. Four profiles carry the published identifiers the capture chains load by ID.

#include "media/codecs/wm_profile.h"

#include <span>

namespace camtrove::media {

// The identifiers of the default profiles the capture settings offer.
inline constexpr GUID WMProfile_V70_1500Video = MakeGuid("0B89164A-5490-4686-9E37-5A80884E5146");
inline constexpr GUID WMProfile_V80_700PALVideo = MakeGuid("EC298949-639B-45E2-96FD-4AB32D5919C2");
inline constexpr GUID WMProfile_V80_384Video = MakeGuid("29B00C2B-09A9-48BD-AD09-CDAE117D1DA7");
inline constexpr GUID WMProfile_V80_100Video = MakeGuid("A2E300B4-C2D4-4FC0-B5DD-ECBD948DC0DF");

// The system profiles of a version, in index order; empty for a version without a set.
[[nodiscard]] std::span<const WmProfileDescription> SystemProfiles(WMT_VERSION version);

// The profile of any version with this identifier.
[[nodiscard]] const WmProfileDescription* FindSystemProfile(const GUID& id);

} // namespace camtrove::media
