// Where a channel's speaker stands, what it is called (in Chinese and
// English), and the order in which a listener can follow them round a room.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tivrel::sound {

enum class ChannelPosition {
  kUnknown,
  kMono,
  kFrontLeft,
  kFrontRight,
  kFrontCenter,
  kLfe,
  kRearLeft,
  kRearRight,
  kSideLeft,
  kSideRight,
  kFrontLeftCenter,
  kFrontRightCenter,
  kRearCenter,
  kRearLeftCenter,
  kRearRightCenter,
  kTopCenter,
  kTopFrontLeft,
  kTopFrontCenter,
  kTopFrontRight,
  kTopRearLeft,
  kTopRearCenter,
  kTopRearRight,
};

struct ChannelName {
  std::string_view chinese;  // 左前
  std::string_view english;  // Front Left
  std::string_view abbrev;   // FL
};

ChannelName NameOf(ChannelPosition position);

// The order of the channels when the device states none: ALSA's and the HDA
// driver's for 1 to 8 channels (FL FR RL RR FC LFE SL SR), unknown beyond.
std::vector<ChannelPosition> StandardOrder(unsigned channels);

// The speakers of a Windows channel mask (SPEAKER_FRONT_LEFT = 1, ...), in
// channel order as the mask's set bits give it; channels beyond the mask's
// bits are unknown.
std::vector<ChannelPosition> PositionsOfMask(uint32_t mask, unsigned channels);

// The channel indices (from 0) in walking order: clockwise round the room
// from front left, through the front, the right, the back and the left; top
// speakers after that; LFE, which has no place, then unknown channels last.
std::vector<unsigned> WalkOrder(const std::vector<ChannelPosition>& map);

}  // namespace tivrel::sound
