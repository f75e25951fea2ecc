#include "sound/channel_position.h"

#include <algorithm>
#include <array>

namespace tivrel::sound {

namespace {

using P = ChannelPosition;

struct PositionInfo {
  ChannelPosition position;
  ChannelName name;
  int walk;  // the place in a walk round the room, from front left clockwise
};

constexpr std::array kPositions = {
    PositionInfo{P::kUnknown, {"未知", "Unknown", "UNKNOWN"}, 1000},
    PositionInfo{P::kMono, {"单声道", "Mono", "MONO"}, 0},
    PositionInfo{P::kFrontLeft, {"左前", "Front Left", "FL"}, 10},
    PositionInfo{P::kFrontLeftCenter, {"左中前", "Front Left Center", "FLC"}, 20},
    PositionInfo{P::kFrontCenter, {"中置", "Front Center", "FC"}, 30},
    PositionInfo{P::kFrontRightCenter, {"右中前", "Front Right Center", "FRC"}, 40},
    PositionInfo{P::kFrontRight, {"右前", "Front Right", "FR"}, 50},
    PositionInfo{P::kSideRight, {"右侧", "Side Right", "SR"}, 60},
    PositionInfo{P::kRearRight, {"右后", "Rear Right", "RR"}, 70},
    PositionInfo{P::kRearRightCenter, {"右中后", "Rear Right Center", "RRC"}, 80},
    PositionInfo{P::kRearCenter, {"后中", "Rear Center", "RC"}, 90},
    PositionInfo{P::kRearLeftCenter, {"左中后", "Rear Left Center", "RLC"}, 100},
    PositionInfo{P::kRearLeft, {"左后", "Rear Left", "RL"}, 110},
    PositionInfo{P::kSideLeft, {"左侧", "Side Left", "SL"}, 120},
    PositionInfo{P::kTopFrontLeft, {"左前上", "Top Front Left", "TFL"}, 210},
    PositionInfo{P::kTopFrontCenter, {"中前上", "Top Front Center", "TFC"}, 230},
    PositionInfo{P::kTopFrontRight, {"右前上", "Top Front Right", "TFR"}, 250},
    PositionInfo{P::kTopRearRight, {"右后上", "Top Rear Right", "TRR"}, 270},
    PositionInfo{P::kTopRearCenter, {"中后上", "Top Rear Center", "TRC"}, 290},
    PositionInfo{P::kTopRearLeft, {"左后上", "Top Rear Left", "TRL"}, 310},
    PositionInfo{P::kTopCenter, {"顶中", "Top Center", "TC"}, 330},
    PositionInfo{P::kLfe, {"低音", "LFE", "LFE"}, 500},
};

const PositionInfo& Info(ChannelPosition position) {
  for (const auto& info : kPositions) {
    if (info.position == position) return info;
  }
  return kPositions.front();
}

}  // namespace

ChannelName NameOf(ChannelPosition position) { return Info(position).name; }

std::vector<ChannelPosition> StandardOrder(unsigned channels) {
  if (channels == 1) return {P::kMono};
  static constexpr std::array kOrder = {P::kFrontLeft, P::kFrontRight,  P::kRearLeft,
                                        P::kRearRight, P::kFrontCenter, P::kLfe,
                                        P::kSideLeft,  P::kSideRight};
  std::vector<ChannelPosition> map(channels, P::kUnknown);
  std::copy_n(kOrder.begin(), std::min<size_t>(channels, kOrder.size()), map.begin());
  return map;
}

std::vector<ChannelPosition> PositionsOfMask(uint32_t mask, unsigned channels) {
  // The mask's bits from the lowest, as the endpoint's format orders them.
  static constexpr std::array kBits = {
      P::kFrontLeft,     P::kFrontRight,     P::kFrontCenter,     P::kLfe,
      P::kRearLeft,      P::kRearRight,      P::kFrontLeftCenter, P::kFrontRightCenter,
      P::kRearCenter,    P::kSideLeft,       P::kSideRight,       P::kTopCenter,
      P::kTopFrontLeft,  P::kTopFrontCenter, P::kTopFrontRight,   P::kTopRearLeft,
      P::kTopRearCenter, P::kTopRearRight};
  std::vector<ChannelPosition> map;
  for (size_t bit = 0; bit < kBits.size() && map.size() < channels; ++bit) {
    if (mask & (1u << bit)) map.push_back(kBits[bit]);
  }
  if (channels == 1 && map == std::vector{P::kFrontCenter}) return {P::kMono};
  map.resize(channels, P::kUnknown);
  return map;
}

std::vector<unsigned> WalkOrder(const std::vector<ChannelPosition>& map) {
  std::vector<unsigned> order(map.size());
  for (unsigned i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](unsigned a, unsigned b) { return Info(map[a]).walk < Info(map[b]).walk; });
  return order;
}

}  // namespace tivrel::sound
