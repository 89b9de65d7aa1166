// The text file "dat\vlx1.dat": 96 records in Shift-JIS, each ended by "@e", scrambled with the
// game's data keystream. Records 0-31 are the play-order notices (one line, shown as they
// stand), 32-63 the hints for orders not yet earned, 64 + area the area introductions (lines
// ended by "@n"), the rest empty.
#include <cstdio>
#include <string>
#include <vector>

#include "game/framework/text.h"
#include "tools/make-data/make_data.h"

namespace {

// What earns each play order where the game says so; the others keep their secret.
const char* const kOrderDeeds[32] = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr,
    "デモニックシフト中にエリアボスを撃破した",
    "エリアボスの第二形態がポッドを9回以上放った",
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    "エクステンドアイテムを4個取得した",
    nullptr, nullptr, nullptr, nullptr,
    "1フェイズでジェムを1000個獲得した",
    "ヒット数が1000に達した",
    "スコアが15,000,000点を超えた",
    "Onslaughtボーナスを100回獲得した",
    "弾かすりを2000回達成した",
    "カウンターボムを10回使用した",
    "デモニックシフトを10回発動した",
    "ライフ0から復活した",
    nullptr,
};

const char* const kIntros[7] = {
    "第一章 外縁宙域@n"
    "辺境の観測所からの通信が途絶えて三日。@n"
    "調査に向かった艦隊もまた、戻らなかった。@n"
    "残されたのは、一隻の試作戦闘艇と一人の搭乗者のみ。@n"
    "目指すは、外縁宙域の奥に浮かぶ巨大構造体。@n"
    "ショットで撃ち、マナで切り抜け、ボムで凌げ。",
    "第二章 紅の漂流帯@n"
    "破片の海を越えた先に、赤く燃える雲が広がる。@n"
    "敵の編隊は数を増し、弾幕は密度を上げていく。",
    "第三章 鉄の庭園@n"
    "整然と並ぶ柱の間を、無人の砲台が見張っている。@n"
    "一瞬の隙が命取りになる。",
    "第四章 深淵@n"
    "光の届かない底で、何かがこちらを見ている。",
    "第五章 最後の光@n"
    "全ての始まりの場所へ。@n"
    "ここで全てを終わらせる。",
    "第六章@n"
    "記録にない宙域。",
    "ミッション@n"
    "与えられた時間内に目標を撃破せよ。",
};

// A double-byte character whose second byte is "@" would read as a tag.
bool HasTrailAt(const std::string& s) {
  for (size_t i = 0; i < s.size(); i++) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead && i + 1 < s.size()) {
      if (static_cast<unsigned char>(s[i + 1]) == 0x40) return true;
      i++;
    }
  }
  return false;
}

// Display columns of the longest line (double-byte characters count two).
size_t WidestLine(const std::string& s) {
  size_t widest = 0, pos = 0;
  while (pos <= s.size()) {
    size_t end = s.find("@n", pos);
    size_t len = (end == std::string::npos ? s.size() : end) - pos;
    widest = std::max(widest, len);
    if (end == std::string::npos) break;
    pos = end + 2;
  }
  return widest;
}

}  // namespace

bool MakeTextFile(Bytes* out, std::string* error) {
  std::vector<std::string> records(96);
  char buffer[128];
  for (int n = 0; n < 32; n++) {
    std::snprintf(buffer, sizeof buffer, "プレイオーダー%02d獲得：", n);
    records[size_t(n)] = std::string(buffer) + (kOrderDeeds[n] ? kOrderDeeds[n] : "秘密の条件を満たした");
    std::snprintf(buffer, sizeof buffer, "ヒント%02d：", n);
    records[size_t(32 + n)] = std::string(buffer) + (kOrderDeeds[n] ? kOrderDeeds[n] : "条件はまだ明かされていない");
  }
  for (int a = 0; a < 7; a++) records[size_t(64 + a)] = kIntros[a];

  Bytes plain;
  for (size_t r = 0; r < records.size(); r++) {
    const std::string& text = records[r];
    if (HasTrailAt(text) || text.find("@e") != std::string::npos || WidestLine(text) >= 70 ||
        (r < 64 && text.find('@') != std::string::npos)) {
      *error = "text record " + std::to_string(r) + " breaks the record format";
      return false;
    }
    plain.insert(plain.end(), text.begin(), text.end());
    plain.push_back('@');
    plain.push_back('e');
  }
  if (plain.size() > size_t(kTextFileMax)) {
    *error = "the text file is larger than the game's text buffer";
    return false;
  }
  out->assign(plain.size(), 0);
  DescrambleDataBuffer(plain.data(), out->data(), 0, int(plain.size()));
  return true;
}
