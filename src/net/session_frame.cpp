#include "net/session_frame.h"

#include "net/byte_codec.h"

namespace kvx {

namespace {

void WriteMember(ByteWriter& w, const SessionMember& m) {
  w.Long(m.id);
  w.String(m.name);
  w.Unsigned(m.address, 4);
  w.Unsigned(m.port, 2);
}

bool ReadMember(ByteReader& r, SessionMember& m) {
  uint32_t address = 0, port = 0;
  if (!r.Long(m.id) || !r.String(m.name) || !r.Unsigned(address, 4) || !r.Unsigned(port, 2)) return false;
  m.address = address;
  m.port = static_cast<uint16_t>(port);
  return true;
}

void WriteGreeting(ByteWriter& w, const SessionFrame& f) {
  w.Raw(f.app_id.data(), f.app_id.size());
  w.Unsigned(f.version, 2);
  w.Unsigned(f.listen_port, 2);
  w.String(f.name);
}

bool ReadGreeting(ByteReader& r, SessionFrame& f) {
  uint32_t version = 0, port = 0;
  if (!r.Raw(f.app_id.data(), f.app_id.size()) || !r.Unsigned(version, 2) || !r.Unsigned(port, 2) ||
      !r.String(f.name))
    return false;
  f.version = static_cast<uint16_t>(version);
  f.listen_port = static_cast<uint16_t>(port);
  return true;
}

bool ReadWelcome(ByteReader& r, SessionFrame& f, std::string* error) {
  uint32_t version = 0;
  uint8_t count = 0;
  if (!r.Unsigned(version, 2) || !r.Long(f.id) || !r.Long(f.host_id) || !r.Byte(count)) return false;
  f.version = static_cast<uint16_t>(version);
  if (count > kSessionMaxPlayers) {
    *error = "welcome lists " + std::to_string(count) + " players";
    return false;
  }
  f.members.resize(count);
  for (auto& m : f.members)
    if (!ReadMember(r, m)) return false;
  return true;
}

}  // namespace

std::vector<uint8_t> EncodeSessionFrame(const SessionFrame& f) {
  ByteWriter w;
  w.Byte(static_cast<uint8_t>(f.kind));
  switch (f.kind) {
    case FrameKind::Hello: WriteGreeting(w, f); break;
    case FrameKind::MeshHello:
      w.Long(f.id);
      WriteGreeting(w, f);
      break;
    case FrameKind::Welcome:
      w.Unsigned(f.version, 2);
      w.Long(f.id);
      w.Long(f.host_id);
      w.Byte(static_cast<uint8_t>(f.members.size()));
      for (const auto& m : f.members) WriteMember(w, m);
      break;
    case FrameKind::Refuse: w.String(f.reason); break;
    case FrameKind::MeshOk: w.Long(f.id); break;
    case FrameKind::Linked: break;
    case FrameKind::Added: WriteMember(w, f.members.empty() ? SessionMember{} : f.members[0]); break;
    case FrameKind::Data:
      w.Long(f.from);
      w.Long(f.to);
      w.Raw(f.payload.data(), f.payload.size());
      break;
  }
  return w.Take();
}

bool DecodeSessionFrame(const uint8_t* data, size_t size, SessionFrame* f, std::string* error) {
  ByteReader r(data, size);
  *f = SessionFrame{};
  uint8_t kind = 0;
  if (!r.Byte(kind)) {
    *error = "empty frame";
    return false;
  }
  f->kind = static_cast<FrameKind>(kind);
  bool ok = true;
  switch (f->kind) {
    case FrameKind::Hello: ok = ReadGreeting(r, *f); break;
    case FrameKind::MeshHello: ok = r.Long(f->id) && ReadGreeting(r, *f); break;
    case FrameKind::Welcome:
      error->clear();
      ok = ReadWelcome(r, *f, error);
      if (!ok && !error->empty()) return false;
      break;
    case FrameKind::Refuse: ok = r.String(f->reason); break;
    case FrameKind::MeshOk: ok = r.Long(f->id); break;
    case FrameKind::Linked: break;
    case FrameKind::Added:
      f->members.resize(1);
      ok = ReadMember(r, f->members[0]);
      break;
    case FrameKind::Data:
      ok = r.Long(f->from) && r.Long(f->to);
      if (ok) {
        f->payload.resize(r.left());
        ok = r.Raw(f->payload.data(), f->payload.size());
      }
      break;
    default: *error = "unknown frame kind " + std::to_string(kind); return false;
  }
  if (!ok) {
    *error = "frame kind " + std::to_string(kind) + " is cut short (" + std::to_string(size) + " bytes)";
    return false;
  }
  if (!r.AtEnd()) {
    *error = "frame kind " + std::to_string(kind) + " has " + std::to_string(r.left()) + " bytes too many";
    return false;
  }
  return true;
}

}  // namespace kvx
