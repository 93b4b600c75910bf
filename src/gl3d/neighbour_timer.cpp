// Neighbour computation of the scene's bodies in time slices.
#include "gl3d/neighbour_timer.h"

#include <algorithm>
#include <cmath>

#include "mw31/format.h"

namespace gl3d {

namespace {

constexpr int kBarLength = 25;  // characters at 100 per cent

Faces3Koerper* find_body(Scene* scene, const Faces3Koerper* k) {
    for (MeshBodyPart& b : scene->bodies)
        if (b.body.get() == k) return b.body.get();
    return nullptr;
}

}  // namespace

void start_neighbours(NeighbourJob* job, const Scene& scene) {
    *job = NeighbourJob{};
    for (const MeshBodyPart& b : scene.bodies)
        if (b.body && !faces3_hat_nachbarn(b.body.get())) job->bodies.push_back(b.body.get());
    job->active = true;
}

bool neighbour_tick(NeighbourJob* job, Scene* scene, int budget_ms) {
    if (!job->active) return false;
    if (job->index < job->bodies.size()) {
        Faces3Koerper* k = find_body(scene, job->bodies[job->index]);
        if (!k) {
            job->active = false;
            return false;
        }
        double progress = 0;
        job->start = faces3_nachbarn_schritt(k, job->start, budget_ms, &progress);
        job->progress = std::isfinite(progress) ? std::clamp(progress, 0.0, 100.0) : 0;
        const double whole =
            (job->progress * 0.01 + double(job->index)) / double(job->bodies.size()) * 100;
        job->percent = int(whole);
        if (job->start == 0) {
            ++job->index;
            job->progress = 0;
        }
    }
    if (job->index >= job->bodies.size()) job->active = false;
    return job->active;
}

std::vector<mw31::TextRun> neighbour_progress_runs(const NeighbourJob& job) {
    std::vector<mw31::TextRun> runs;
    mw31::TextRun label;
    label.text = mw31::format_text("Gitterberechnung: %d Prozent    ", job.percent);
    runs.push_back(label);
    mw31::TextRun bar;
    bar.text.assign(size_t(std::clamp(job.percent * kBarLength / 100, 0, kBarLength)), ' ');
    bar.opaque = true;
    bar.background = mw31::Rgb{0, 0, 200};
    runs.push_back(bar);
    mw31::TextRun rest;
    rest.text.assign(size_t(kBarLength) - bar.text.size(), ' ');
    rest.opaque = true;
    rest.background = mw31::Rgb{200, 200, 200};
    runs.push_back(rest);
    return runs;
}

}  // namespace gl3d
