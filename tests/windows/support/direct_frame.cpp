#include "support/direct_frame.h"

#include "render/draw_image_fitted.h"
#include "render/frame_motion.h"
#include "render/frame_text.h"
#include "core/picture_ids.h"

#include <algorithm>

DirectFrame::DirectFrame(const ImageCatalogue& images) {
    for (int id : kAllPictureIds) {
        DecodedImage decoded = images.Decode(id);
        if (decoded.image) decoded_.emplace(id, std::move(decoded));
    }
}

Gdiplus::GpImage* DirectFrame::Find(int id) const {
    auto found = decoded_.find(id);
    return found == decoded_.end() ? nullptr : found->second.image.get();
}

std::optional<BYTE> DirectFrame::Compose(const FrameDescription& frame, DibSurface& surface, float bodyShift) const {
    GraphicsHandle graphics = CreateFrameGraphics(surface.memoryDc());
    if (!graphics) return std::nullopt;
    Gdiplus::GpGraphics* g = graphics.get();
    const float w = static_cast<float>(surface.width());
    const float h = static_cast<float>(surface.height());

    const FrameMotion motion = MotionOf(frame, h);
    Gdiplus::GraphicsState state = 0;
    gp::GdipSaveGraphics(g, &state);
    gp::GdipTranslateWorldTransform(g, w / 2, h / 2, Gdiplus::MatrixOrderPrepend);
    gp::GdipRotateWorldTransform(g, motion.rotation, Gdiplus::MatrixOrderPrepend);
    gp::GdipTranslateWorldTransform(g, -w / 2, -h / 2, Gdiplus::MatrixOrderPrepend);
    BoxF body = BodyBox(motion, w, h);
    body.x += bodyShift;
    body.y += bodyShift;
    DrawImageFitted(g, Find(frame.basePicture), body, 1.0f, frame.mirrored);
    gp::GdipRestoreGraphics(g, state);

    DrawImageFitted(g, Find(frame.cutInPicture), BoxF{0, 0, w, h}, frame.cutInAlpha, false);

    if (!frame.reactionText.empty()) {
        const float t = frame.reactionProgress;
        const FontFamilyHandle family = CreateReactionFontFamily();
        for (ReactionPart part : {ReactionPart::Shadow, ReactionPart::Text, ReactionPart::Heart}) {
            DrawReactionPart(g, family.get(), part, frame.reactionText, ReactionTextAlpha(t), t, w, h);
        }
    }
    DrawEnergyBadge(g, frame.energy, w);

    gp::GdipFlush(g, Gdiplus::FlushIntentionSync);
    GdiFlush();
    return static_cast<BYTE>(std::clamp(static_cast<int>(255 * frame.opacity), 0, 255));
}
