// The receive path fed a byte stream in chunks through the arrival handler,
// with what exchanges do between notifications (routing changes, pane clears,
// a partial line filed or dropped). After every chunk it must agree with the
// plain model of the receive path on Buff, BuffTemp, FileSize, LineCut,
// Connect_flg, status panel 3 and every pane line.
#include <array>
#include <climits>
#include <cstring>

#include "link/LineAssembly.h"
#include "link/ReceivePath.h"
#include "tests/link/ReferenceReceive.h"
#include "tools/fuzz/support/Check.h"
#include "tools/fuzz/support/FuzzRig.h"
#include "tools/fuzz/support/Input.h"
#include "tools/fuzz/targets/Targets.h"

namespace th::fuzz {

namespace {

using Rig = FuzzRig<FeedPort>;
using Model = test::ReferenceReceivePath;

// The model searches the whole line for tags up to this length; beyond it the
// search costs more than the rest of the run (a tag and what its removal
// exposes lie within the last few characters, so nothing new happens there).
constexpr std::size_t kPlainSearchUpTo = 64;
// The limit on a line under assembly: the tool's megabyte, or lowered ones that
// inputs reach at no cost, one of them above the panel's 4096 characters. (A
// megabyte per input would cost a thousand other inputs; the tests feed it.)
constexpr std::array<std::size_t, 4> kLineLimits = {ReceivePath::kMaxLine, 5, 300, 4200};

// Pane lines already compared, per pane.
using Compared = std::array<std::size_t, 3>;

// Text equality in one memcmp: the instrumented character loop of operator==
// costs more than everything else on a long line.
bool Same(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}

void Agree(const Rig& rig, const Model& model, Compared& compared) {
  const Reception& in = rig.tool.reception;
  Expect(Same(in.lastLine(), model.buff), "the last line differs from the model");
  Expect(Same(in.partialLine(), model.buffTemp), "the line under assembly differs from the model");
  Expect(in.bytesCounted() == model.fileSize, "the byte count differs from the model");
  Expect(in.lineCut() == model.lineCut, "the cut mark differs from the model");
  Expect(rig.tool.line.up == model.connected, "the line's state differs from the model");
  Expect(Same(rig.view.panelText(3), model.panel3), "status panel 3 differs from the model");
  const std::array<const LineList*, 3> panes = {&rig.panes.receiveLog, &rig.panes.download1,
                                                &rig.panes.download2};
  for (std::size_t p = 0; p < panes.size(); ++p) {
    const LineList& pane = *panes[p];
    const std::vector<Text>& lines = model.panes[p];
    Expect(pane.count() == lines.size(), "pane line count differs from the model");
    for (std::size_t k = compared[p]; k < lines.size(); ++k) {
      Expect(Same(BytesToText(pane.raw(k)), lines[k]), "pane line differs from the model");
    }
    compared[p] = lines.size();
  }
}

std::int32_t PickIndex(Choices& choose) {
  return static_cast<std::int32_t>(choose.below(5)) - 1;  // -1 to 3
}

// The model's pane index as a route: 0 to 2 the panes, anything else none.
Route RouteOf(std::int32_t index) {
  switch (index) {
    case 0:
      return Route::ReceiveLog;
    case 1:
      return Route::Download1;
    case 2:
      return Route::Download2;
    default:
      return Route::Nowhere;
  }
}

}  // namespace

int ReceivePathTarget(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const auto steer = in.takeBack<std::uint8_t>();
  Choices choose(in.takeBack<std::uint32_t>());
  const std::string_view stream = in.rest();

  const std::size_t maxLine = kLineLimits[(steer >> 4) % kLineLimits.size()];
  Rig rig;
  rig.tool.receivePath.setMaxLine(maxLine);
  Model model(maxLine, ReceivePath::kShownLimit);
  model.longLine = kPlainSearchUpTo;
  model.addLongLineChar = AddLineChar;
  static const std::array<Text, 3> kYears = {u"24", u"08", u"80"};
  model.nowYear = kYears[steer % 3];
  rig.tool.receivePath.setYear(model.nowYear);
  model.rxTypeIndex = static_cast<std::int32_t>((steer / 3) % 5) - 1;
  rig.tool.reception.routeTo(RouteOf(model.rxTypeIndex));
  rig.tool.line.up = model.connected = true;

  static constexpr std::array<std::size_t, 5> kChunkLimits = {1, 3, 16, 64, 4096};
  const std::size_t chunkLimit = kChunkLimits[choose.below(kChunkLimits.size())];

  Compared compared{};
  std::size_t pos = 0;
  while (pos < stream.size()) {
    switch (choose.below(32)) {
      case 0:
      case 1:
        model.rxTypeIndex = PickIndex(choose);
        rig.tool.reception.routeTo(RouteOf(model.rxTypeIndex));
        break;
      case 2: {
        const std::int32_t index = PickIndex(choose);
        rig.tool.reception.clearPane(RouteOf(index));
        model.clearPane(index);
        if (index >= 0 && index < 3) {
          compared[static_cast<std::size_t>(index)] = 0;
        }
        break;
      }
      case 3:
        rig.tool.receivePath.flushPartialLine();
        model.flushPartial();
        break;
      case 4:
        rig.tool.receivePath.dropPartialLine();
        model.dropPartial();
        break;
      default:
        break;
    }
    const std::size_t n = std::min(1 + choose.below(chunkLimit), stream.size() - pos);
    const std::string_view chunk = stream.substr(pos, n);
    rig.port.queue(chunk);
    rig.tool.receivePath.onArrival(static_cast<int>(n));
    model.notify(BytesToText(chunk));
    Agree(rig, model, compared);
    pos += n;
  }
  return 0;
}

}  // namespace th::fuzz
