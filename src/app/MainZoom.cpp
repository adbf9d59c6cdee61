// View > Zoom In, Zoom Out, Actual Size, Fit to Window, Rotate Left and Rotate Right: one set of commands for the
// active window's picture and PDF page.
#include "app/Brview1.h"

#include "app/Brview2.h"
#include "ui/document/PdfPage.h"
#include "ui/image/PictureView.h"

#include <QAction>

namespace hy::app {

using namespace hy::settings;

namespace {
    // The picture of the active window while its Image page shows, else null; the same for the PDF page.
    image::TPictureView* ShownPicture(const TChildForm* child)
    {
        return child && child->ActivePage() == PageKind::Image ? child->PictureView() : nullptr;
    }
    document::TPdfPage* ShownPdf(const TChildForm* child)
    {
        return child && child->ActivePage() == PageKind::Pdf ? child->PdfPage() : nullptr;
    }

    // Does what the command does to the picture, or to the PDF page, on show in the window.
    void ActOnShownPage(
        const TChildForm* child, void (image::TPictureView::*onPicture)(), void (document::TPdfPage::*onPdf)())
    {
        if (image::TPictureView* picture = ShownPicture(child))
            (picture->*onPicture)();
        else if (document::TPdfPage* pdf = ShownPdf(child); pdf && onPdf)
            (pdf->*onPdf)();
    }
} // namespace

void TMainForm::ZoomInClick()
{
    ActOnShownPage(ActiveChild(), &image::TPictureView::ZoomIn, &document::TPdfPage::ZoomIn);
}

void TMainForm::ZoomOutClick()
{
    ActOnShownPage(ActiveChild(), &image::TPictureView::ZoomOut, &document::TPdfPage::ZoomOut);
}

void TMainForm::ActualSizeClick()
{
    ActOnShownPage(ActiveChild(), &image::TPictureView::ActualSize, &document::TPdfPage::ActualSize);
}

void TMainForm::FitToWindowClick()
{
    ActOnShownPage(ActiveChild(), &image::TPictureView::FitToWindow, &document::TPdfPage::FitPage);
}

void TMainForm::RotateLeftClick() { ActOnShownPage(ActiveChild(), &image::TPictureView::RotateLeft, nullptr); }
void TMainForm::RotateRightClick() { ActOnShownPage(ActiveChild(), &image::TPictureView::RotateRight, nullptr); }

void TMainForm::UpdateZoomCommands(const TChildForm* child)
{
    const bool picture = ShownPicture(child) != nullptr;
    const bool zoom = picture || ShownPdf(child) != nullptr;
    for (const TCommand c : { TCommand::ZoomIn, TCommand::ZoomOut, TCommand::ActualSize, TCommand::FitToWindow })
        Action(c)->setEnabled(zoom);
    for (const TCommand c : { TCommand::RotateLeft, TCommand::RotateRight })
        Action(c)->setEnabled(picture);
}

} // namespace hy::app
