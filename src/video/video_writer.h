// The one interface every video file writer offers: pictures are added as they are drawn
// and written at once, so memory does not grow with the length of the video.
#pragma once

#include "video/picture_view.h"
#include "video/video_result.h"

namespace video {

class VideoWriter {
  public:
    virtual ~VideoWriter() = default;  // an unfinished file is dropped as by cancel()

    // Encodes and writes one picture of the size the writer was made for. A picture that
    // is not valid or of another size is refused (kBadArgument) and the file stays usable;
    // any other failure is kept and returned by every later call.
    virtual Result add_picture(const PictureView& picture) = 0;
    // Completes the file and puts it in place of the target. On failure the target is as
    // it was before.
    virtual Result finish() = 0;
    // Drops the file; the target is as it was before.
    virtual void cancel() = 0;
    virtual int picture_count() const = 0;
};

}  // namespace video
