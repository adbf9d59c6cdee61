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
} // namespace

void TMainForm::ZoomInClick()
{
    if (image::TPictureView* picture = ShownPicture(ActiveChild()))
        picture->ZoomIn();
    else if (document::TPdfPage* pdf = ShownPdf(ActiveChild()))
        pdf->ZoomIn();
}

void TMainForm::ZoomOutClick()
{
    if (image::TPictureView* picture = ShownPicture(ActiveChild()))
        picture->ZoomOut();
    else if (document::TPdfPage* pdf = ShownPdf(ActiveChild()))
        pdf->ZoomOut();
}

void TMainForm::ActualSizeClick()
{
    if (image::TPictureView* picture = ShownPicture(ActiveChild()))
        picture->ActualSize();
    else if (document::TPdfPage* pdf = ShownPdf(ActiveChild()))
        pdf->ActualSize();
}

void TMainForm::FitToWindowClick()
{
    if (image::TPictureView* picture = ShownPicture(ActiveChild()))
        picture->FitToWindow();
    else if (document::TPdfPage* pdf = ShownPdf(ActiveChild()))
        pdf->FitPage();
}

void TMainForm::RotateLeftClick()
{
    if (image::TPictureView* picture = ShownPicture(ActiveChild()))
        picture->RotateLeft();
}

void TMainForm::RotateRightClick()
{
    if (image::TPictureView* picture = ShownPicture(ActiveChild()))
        picture->RotateRight();
}

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
