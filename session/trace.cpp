#include "session/trace.h"


namespace zorbly {

namespace {

void appendArray(std::string& out, std::string_view key, const std::array<double, 3>& a) {
  out += ",\"";
  out += key;
  out += "\":[";
  for (int i = 0; i < 3; ++i) {
    if (i) out += ',';
    appendNumber(out, a[i]);
  }
  out += ']';
}

void appendField(std::string& out, std::string_view key, double v) {
  out += ",\"";
  out += key;
  out += "\":";
  appendNumber(out, v);
}

}  // namespace

void appendJsonString(std::string& out, std::string_view utf8) {
  static constexpr char hex[] = "0123456789abcdef";
  out += '"';
  for (char c : utf8) {
    auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      out += "\\u00";
      out += hex[u >> 4];
      out += hex[u & 15];
    } else {
      out += c;
    }
  }
  out += '"';
}

void appendStateLine(std::string& out, const GameState& st, int interval) {
  out += "{\"op\":\"state\"";
  appendField(out, "jikiY", st.jikiY);
  appendField(out, "jikiDY", st.jikiDY);
  appendField(out, "score", st.score);
  appendField(out, "laserX", st.laserX);
  appendField(out, "laserY", st.laserY);
  appendArray(out, "tekiX", st.tekiX);
  appendArray(out, "tekiY", st.tekiY);
  appendArray(out, "telaX", st.telaX);
  appendArray(out, "telaY", st.telaY);
  appendArray(out, "telaX100", st.telaX100);
  appendArray(out, "telaY100", st.telaY100);
  appendArray(out, "telaDir", st.telaDir);
  appendField(out, "kills", st.kills);
  appendField(out, "stage", st.stage);
  appendField(out, "bossY", st.bossY);
  appendField(out, "bossDir", st.bossDir);
  appendField(out, "interval", interval);
  out += "}\n";
}

void TraceServices::move(Sprite s, float left, double top) {
  out_ += "{\"op\":\"move\",\"sprite\":\"";
  appendSpriteName(out_, s);
  out_ += "\",\"left\":";
  appendNumber(out_, left);
  out_ += ",\"top\":";
  appendNumber(out_, top);
  out_ += "}\n";
  inner_.move(s, left, top);
}

void TraceServices::assignPicture(Sprite to, Sprite from) {
  out_ += "{\"op\":\"picture\",\"sprite\":\"";
  appendSpriteName(out_, to);
  out_ += "\",\"from\":\"";
  appendSpriteName(out_, from);
  out_ += "\"}\n";
  inner_.assignPicture(to, from);
}

void TraceServices::setTextPosition(double x, double y) {
  out_ += "{\"op\":\"textpos\",\"x\":";
  appendNumber(out_, x);
  out_ += ",\"y\":";
  appendNumber(out_, y);
  out_ += "}\n";
  inner_.setTextPosition(x, y);
}

void TraceServices::print(std::string_view text) {
  out_ += "{\"op\":\"print\",\"text\":";
  appendJsonString(out_, text);
  out_ += "}\n";
  inner_.print(text);
}

void TraceServices::setInterval(int ms) {
  out_ += "{\"op\":\"interval\",\"ms\":";
  appendNumber(out_, static_cast<long long>(ms));
  out_ += "}\n";
  inner_.setInterval(ms);
}

void TraceServices::messageBox(std::string_view prompt, int buttons, std::string_view title) {
  out_ += "{\"op\":\"msgbox\",\"prompt\":";
  appendJsonString(out_, prompt);
  out_ += ",\"buttons\":";
  appendNumber(out_, static_cast<long long>(buttons));
  out_ += ",\"title\":";
  appendJsonString(out_, title);
  out_ += "}\n";
  inner_.messageBox(prompt, buttons, title);
}

void TraceServices::end() {
  out_ += "{\"op\":\"end\"}\n";
  inner_.end();
}

void TraceServices::randomize() {
  out_ += "{\"op\":\"randomize\"}\n";
  inner_.randomize();
}

float TraceServices::rnd() {
  float v = inner_.rnd();
  out_ += "{\"op\":\"rnd\",\"value\":";
  appendNumber(out_, v);
  out_ += "}\n";
  return v;
}

}  // namespace zorbly
