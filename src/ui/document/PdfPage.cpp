// The PDF page: opening with a password, the bar of page form and zoom, Find over the document's text.
#include "ui/document/PdfPage.h"

#include "ui/common/CursorScope.h"
#include "ui/document/PdfView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPdfDocument>
#include <QPdfLink>
#include <QPdfSearchModel>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

namespace hy::document {

using namespace hy::common;

namespace {

    TPdfPage::TPasswordPrompt& PasswordPrompt()
    {
        static TPdfPage::TPasswordPrompt prompt;
        return prompt;
    }

    bool AskPassword(QWidget* parent, const QString& fileName, bool retry, QString& password)
    {
        const QString name = QFileInfo(fileName).fileName();
        const QString label = retry ? QStringLiteral("The password is not right. Password for %1:").arg(name)
                                    : QStringLiteral("%1 is protected by a password. Password:").arg(name);
        TCursorScope arrow(Qt::ArrowCursor);
        bool ok = false;
        password
            = QInputDialog::getText(parent, QStringLiteral("PDF Password"), label, QLineEdit::Password, QString(), &ok);
        return ok;
    }

    QString LoadErrorText(QPdfDocument::Error error)
    {
        switch (error) {
        case QPdfDocument::Error::FileNotFound:
            return QStringLiteral("The file could not be opened.");
        case QPdfDocument::Error::InvalidFileFormat:
            return QStringLiteral("The file is not a PDF document, or it is damaged.");
        case QPdfDocument::Error::IncorrectPassword:
            return QStringLiteral("The document is protected by a password.");
        case QPdfDocument::Error::UnsupportedSecurityScheme:
            return QStringLiteral("The document is protected in a way that cannot be read.");
        case QPdfDocument::Error::None:
        case QPdfDocument::Error::Unknown:
        case QPdfDocument::Error::DataNotYetAvailable:
            break;
        }
        return QStringLiteral("The PDF document could not be read.");
    }

} // namespace

void TPdfPage::SetPasswordPrompt(TPasswordPrompt prompt) { PasswordPrompt() = std::move(prompt); }

TPdfPage::TPdfPage(QWidget* parent)
    : QWidget(parent)
    , m_document(new QPdfDocument(this))
    , m_search(new QPdfSearchModel(this))
    , m_bar(new QToolBar(this))
    , m_view(new TPdfView(this))
{
    setObjectName(QStringLiteral("PDF"));
    m_view->setObjectName(QStringLiteral("PdfView"));
    m_search->setDocument(m_document);
    m_view->SetSearchModel(m_search);
    BuildBar();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_view, 1);
    connect(m_view, &TPdfView::CurrentPageChanged, this, [this]() {
        UpdateBar();
        Q_EMIT StatusChanged();
    });
    connect(m_view, &TPdfView::SelectionChanged, this, &TPdfPage::StatusChanged);
    connect(m_view, &TPdfView::ZoomChanged, this, &TPdfPage::UpdateBar);
    setFocusProxy(m_view);
}

TPdfPage::~TPdfPage()
{
    // The window around the page is being taken down: what the view says as it lets go (its page, its zoom)
    // must not reach it.
    m_view->disconnect(this);
    blockSignals(true);
    // The view lets go of the document before the renderer's thread could draw from a closed one.
    m_view->SetDocument(nullptr);
}

void TPdfPage::BuildBar()
{
    m_bar->setObjectName(QStringLiteral("PdfBar"));
    m_bar->setIconSize(QSize(16, 16));
    m_bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto add = [this](const char* name, const QString& caption, const QKeySequence& key, auto handler) {
        QAction* a = m_bar->addAction(caption);
        a->setObjectName(QLatin1String(name));
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            addAction(a);
        }
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    m_continuous = add(
        "PdfContinuous", QStringLiteral("Continuous"), QKeySequence(), [this](bool on) { m_view->SetContinuous(on); });
    m_continuous->setCheckable(true);
    m_continuous->setChecked(m_view->Continuous());
    m_bar->addSeparator();
    add("PdfFitWidth", QStringLiteral("Fit Width"), QKeySequence(),
        [this]() { m_view->SetZoomMode(TPdfZoomMode::FitWidth); });
    add("PdfFitPage", QStringLiteral("Fit Page"), QKeySequence(), &TPdfPage::FitPage);
    m_zoomKeys
        = { add("PdfActualSize", QStringLiteral("100%"), QKeySequence(Qt::CTRL | Qt::Key_0), &TPdfPage::ActualSize),
              add("PdfZoomOut", QStringLiteral("Zoom Out"), QKeySequence(QKeySequence::ZoomOut), &TPdfPage::ZoomOut),
              add("PdfZoomIn", QStringLiteral("Zoom In"), QKeySequence(QKeySequence::ZoomIn), &TPdfPage::ZoomIn) };
    m_bar->addSeparator();
    auto* pageLabel = new QLabel(QStringLiteral(" Page "), m_bar);
    m_bar->addWidget(pageLabel);
    m_pageBox = new QSpinBox(m_bar);
    m_pageBox->setObjectName(QStringLiteral("PdfPageBox"));
    m_pageBox->setRange(1, 1);
    m_pageBox->setKeyboardTracking(false);
    m_bar->addWidget(m_pageBox);
    m_pageTotal = new QLabel(m_bar);
    m_pageTotal->setObjectName(QStringLiteral("PdfPageTotal"));
    m_bar->addWidget(m_pageTotal);
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int value) {
        if (value - 1 != m_view->CurrentPage())
            m_view->GoToPage(value - 1);
    });
    UpdateBar();
}

void TPdfPage::ZoomIn() { m_view->SetZoom(m_view->Zoom() * 1.25); }
void TPdfPage::ZoomOut() { m_view->SetZoom(m_view->Zoom() / 1.25); }
void TPdfPage::ActualSize() { m_view->SetZoom(1.0); }
void TPdfPage::FitPage() { m_view->SetZoomMode(TPdfZoomMode::FitPage); }
double TPdfPage::Zoom() const { return m_view->Zoom(); }

void TPdfPage::SetZoomKeys(bool on)
{
    for (QAction* a : std::as_const(m_zoomKeys)) {
        if (on)
            addAction(a);
        else
            removeAction(a);
    }
}

void TPdfPage::UpdateBar()
{
    const int count = PageCount();
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setRange(1, std::max(1, count));
    m_pageBox->setValue(CurrentPage() + 1);
    m_pageTotal->setText(QStringLiteral(" of %1  %2%").arg(count).arg(qRound(m_view->Zoom() * 100)));
    m_continuous->setChecked(m_view->Continuous());
}

TPdfPage::TOpenResult TPdfPage::Open(const QString& fileName)
{
    Close();
    m_fileName = fileName;
    QPdfDocument::Error error = QPdfDocument::Error::None;
    {
        TCursorScope wait;
        error = m_document->load(fileName);
    }
    bool retry = false;
    while (error == QPdfDocument::Error::IncorrectPassword) {
        QString password;
        const TPasswordPrompt& prompt = PasswordPrompt();
        if (!(prompt ? prompt(this, fileName, retry, password) : AskPassword(this, fileName, retry, password))) {
            m_document->close();
            m_error = LoadErrorText(error);
            return TOpenResult::Cancelled;
        }
        m_document->setPassword(password);
        TCursorScope wait;
        error = m_document->load(fileName);
        retry = true;
    }
    if (error == QPdfDocument::Error::None && m_document->pageCount() <= 0)
        m_error = QStringLiteral("The document has no pages.");
    else if (error != QPdfDocument::Error::None)
        m_error = LoadErrorText(error);
    if (!m_error.isEmpty()) {
        m_document->close();
        return TOpenResult::Failed;
    }
    m_view->SetDocument(m_document);
    UpdateBar();
    Q_EMIT StatusChanged();
    return TOpenResult::Shown;
}

void TPdfPage::Close()
{
    m_view->SetDocument(nullptr);
    m_search->setSearchString(QString());
    m_document->close();
    m_document->setPassword(QString());
    m_fileName.clear();
    m_error.clear();
    m_hitPage = m_hitIndex = -1;
    UpdateBar();
}

bool TPdfPage::IsOpen() const { return m_document->status() == QPdfDocument::Status::Ready; }

int TPdfPage::PageCount() const { return IsOpen() ? m_document->pageCount() : 0; }
int TPdfPage::CurrentPage() const { return m_view->CurrentPage(); }
void TPdfPage::GoToPage(int page) { m_view->GoToPage(page); }

QString TPdfPage::SearchText() const { return m_search->searchString(); }

bool TPdfPage::Find(const QString& text, bool backward, bool fromStart)
{
    const int count = PageCount();
    if (count == 0 || text.isEmpty())
        return false;
    if (m_search->searchString() != text) {
        m_search->setSearchString(text);
        m_hitPage = m_hitIndex = -1;
    }
    TCursorScope wait;
    int page = 0;
    int after = -1; // the hit on the first page searched that the next one follows (or precedes)
    if (fromStart) {
        page = backward ? count - 1 : 0;
        after = backward ? INT_MAX : -1;
    } else if (m_hitPage >= 0) {
        page = m_hitPage;
        after = m_hitIndex;
    } else {
        page = CurrentPage();
        after = backward ? INT_MAX : -1;
    }
    const int step = backward ? -1 : 1;
    for (int p = page; p >= 0 && p < count; p += step) {
        const QList<QPdfLink> hits = m_search->resultsOnPage(p);
        if (hits.isEmpty())
            continue;
        int index = backward ? int(hits.size()) - 1 : 0;
        if (p == page)
            index = backward ? std::min(after - 1, int(hits.size()) - 1) : after + 1;
        if (index < 0 || index >= hits.size())
            continue;
        m_hitPage = p;
        m_hitIndex = index;
        const QList<QRectF> rects = hits.at(index).rectangles();
        m_view->SetCurrentHit(p, rects);
        QRectF area;
        for (const QRectF& r : rects)
            area = area.united(r);
        m_view->ShowArea(p, area);
        return true;
    }
    m_view->viewport()->update();
    return false;
}

int TPdfPage::HitCount() const
{
    if (m_search->searchString().isEmpty())
        return 0;
    int hits = 0;
    for (int page = 0; page < PageCount(); ++page)
        hits += int(m_search->resultsOnPage(page).size());
    return hits;
}

bool TPdfPage::HasSelection() const { return m_view->HasSelection(); }
QString TPdfPage::SelectedText() const { return m_view->SelectedText(); }

void TPdfPage::CopySelection() const
{
    if (HasSelection())
        QApplication::clipboard()->setText(SelectedText());
}

void TPdfPage::SelectAll() { m_view->SelectPageText(); }

QSizeF TPdfPage::PagePoints(int page) const { return IsOpen() ? m_document->pagePointSize(page) : QSizeF(); }

QImage TPdfPage::RenderPage(int page, const QSize& largest) const
{
    if (!IsOpen() || page < 0 || page >= PageCount())
        return {};
    const QSize size = PagePoints(page).scaled(QSizeF(largest), Qt::KeepAspectRatio).toSize();
    if (size.isEmpty())
        return {};
    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    return m_document->render(page, size, options);
}

} // namespace hy::document
