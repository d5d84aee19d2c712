// Steps 234 to 273: the SNR scale left of the chart and the S-meter scale (or its blanks) right of it.
#include "platform/platform.h"
#include "plotter/refresh.h"
#include "plotter/state.h"

namespace {

struct Label {
  int32_t step, row;
  const char* text;
};

// From the bottom up, then the unit and the name. The label of v dB stands on row 10 - 2v/5.
constexpr Label snr_labels[] = {
    {234, 22, "-30"}, {235, 20, "-25"}, {236, 18, "-20"}, {237, 16, "-15"},
    {238, 14, "-10"}, {239, 12, "- 5"}, {240, 10, "  0"}, {241, 8, "+ 5"},
    {242, 6, "+10"},  {243, 4, "+15"},  {244, 3, " dB"},  {245, 23, "SNR"},
};

// S1 up to S9, then the name; the rows are unevenly spaced, as the S units are.
constexpr Label smeter_labels[] = {
    {251, 21, "S1"}, {252, 19, "S2"}, {253, 17, "S3"}, {254, 14, "S4"}, {255, 12, "S5"},
    {256, 9, "S6"},  {257, 7, "S7"},  {258, 5, "S8"},  {259, 3, "S9"},  {260, 23, "MTR"},
};
constexpr int32_t blanks_first_step = 262;  // 262 to 271, the same rows in the same order

}  // namespace

void draw_scales() {
  for (const Label& label : snr_labels) print_at(label.step, label.row, 1, label.text);
  part(247, [] { set_ink_colour(7); });
  if (decide(248, smeter_display_on())) {
    for (const Label& label : smeter_labels) print_at(label.step, label.row, 78, label.text);
  } else {
    int32_t step = blanks_first_step;
    for (const Label& label : smeter_labels) print_at(step++, label.row, 78, "   ");
  }
  part(273, [] { set_ink_colour(15); });
}
