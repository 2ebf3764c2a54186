#include "net/net_message.h"

#include <algorithm>
#include <cmath>

#include "net/byte_codec.h"

namespace kvx {

namespace {

void WriteSong(ByteWriter& w, const NetSong& s) {
  w.String(s.genre);
  w.String(s.title);
  w.String(s.artist);
  w.Byte(s.play_level);
  w.Long(s.length_ms);
  w.Short(s.notes);
}

bool ReadSong(ByteReader& r, NetSong& s) {
  return r.String(s.genre) && r.String(s.title) && r.String(s.artist) && r.Byte(s.play_level) &&
         r.Long(s.length_ms) && r.Short(s.notes);
}

void WriteGauge(ByteWriter& w, const NetGauge& g) {
  w.Byte(g.sample);
  w.Byte(g.gauge);
  w.Single(g.jpoints);
  w.Single(g.score);
  w.Short(g.unused);
  for (int16_t c : g.counts) w.Short(c);
}

bool ReadGauge(ByteReader& r, NetGauge& g) {
  bool ok = r.Byte(g.sample) && r.Byte(g.gauge) && r.Single(g.jpoints) && r.Single(g.score) && r.Short(g.unused);
  for (int16_t& c : g.counts) ok = ok && r.Short(c);
  return ok;
}

bool ReadInit(ByteReader& r, NetMessage& m) {
  uint8_t count = 0;
  if (!r.Byte(count)) return false;
  m.players.clear();
  for (int i = 0; i < count; ++i) {
    NetInitEntry e;
    if (!r.Long(e.id) || !r.String(e.name)) return false;
    m.players.push_back(std::move(e));
  }
  return r.Long(m.game_state);
}

}  // namespace

bool IgnoredNetMessageType(int32_t type) { return type == 1 || (type >= 10 && type <= 12); }

std::vector<uint8_t> EncodeNetMessage(const NetMessage& m) {
  ByteWriter w;
  w.Long(m.type);
  switch (static_cast<NetMessageType>(m.type)) {
    case NetMessageType::Init: {
      const size_t count = std::min<size_t>(m.players.size(), 255);
      w.Byte(static_cast<uint8_t>(count));
      for (size_t i = 0; i < count; ++i) {
        w.Long(m.players[i].id);
        w.String(m.players[i].name);
      }
      w.Long(m.game_state);
      break;
    }
    case NetMessageType::SongInfo:
    case NetMessageType::SongDecided: WriteSong(w, m.song); break;
    case NetMessageType::GaugeData: WriteGauge(w, m.gauge); break;
    case NetMessageType::Attack: w.Byte(m.attack_kind); break;
    default: break;
  }
  return w.Take();
}

bool DecodeNetMessage(const uint8_t* data, size_t size, NetMessage* m, std::string* error) {
  ByteReader r(data, size);
  *m = NetMessage{};
  if (!r.Long(m->type)) {
    *error = "shorter than its type code (" + std::to_string(size) + " bytes)";
    return false;
  }
  bool ok = true;
  switch (static_cast<NetMessageType>(m->type)) {
    case NetMessageType::Init: ok = ReadInit(r, *m); break;
    case NetMessageType::SongInfo:
    case NetMessageType::SongDecided: ok = ReadSong(r, m->song); break;
    case NetMessageType::GaugeData:
      ok = ReadGauge(r, m->gauge);
      // The scores are ranked and drawn: a NaN or infinity would upset both.
      if (ok && (!std::isfinite(m->gauge.jpoints) || !std::isfinite(m->gauge.score))) {
        *error = "GAUGEDATA carries a score that is not a finite number";
        return false;
      }
      break;
    case NetMessageType::Attack: ok = r.Byte(m->attack_kind); break;
    case NetMessageType::Ready:
    case NetMessageType::Standby:
    case NetMessageType::StartSong:
    case NetMessageType::End:
    case NetMessageType::AllEnd: break;
    default:
      if (IgnoredNetMessageType(m->type)) return true;
      *error = "unknown message type " + std::to_string(m->type);
      return false;
  }
  if (!ok) {
    *error = "message type " + std::to_string(m->type) + " is cut short (" + std::to_string(size) + " bytes)";
    return false;
  }
  if (!r.AtEnd()) {
    *error = "message type " + std::to_string(m->type) + " has " + std::to_string(r.left()) + " bytes too many";
    return false;
  }
  return true;
}

}  // namespace kvx
