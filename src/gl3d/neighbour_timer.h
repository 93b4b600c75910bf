// The neighbour computation that the triangle-edge display needs, spread over timer ticks so
// that the window stays responsive: one body after the other, a time slice per tick.
#pragma once

#include <vector>

#include "gl3d/scene.h"
#include "mw31/text_line_bitmap.h"

namespace gl3d {

constexpr int kNeighbourPeriodMs = 400;
constexpr int kNeighbourBudgetMs = 200;

struct NeighbourJob {
    std::vector<const Faces3Koerper*> bodies;  // those without neighbours when started
    size_t index = 0;
    int start = 0;        // triangle to go on from in the current body
    double progress = 0;  // of the current body, per cent
    int percent = 0;      // of the whole job
    bool active = false;
};

// Lists the scene's bodies that have no neighbours yet and makes the job active.
void start_neighbours(NeighbourJob* job, const Scene& scene);
// One tick: a time slice of the current body. False when the job has ended (all done, or a
// listed body is no longer in the scene); the timer is to be killed then.
bool neighbour_tick(NeighbourJob* job, Scene* scene, int budget_ms = kNeighbourBudgetMs);
// The overlay line of a running job: "Gitterberechnung: %d Prozent    " and a bar.
std::vector<mw31::TextRun> neighbour_progress_runs(const NeighbourJob& job);

}  // namespace gl3d
