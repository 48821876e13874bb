// The Qt 6 Widgets renderer, built as the module ovtb-ui-qt.so and loaded by libovtb_ui when a
// window is first needed. It builds real widgets from the control model, laid out in dialog
// units of the dialog's font, paints owner-drawn list rows through a DeviceContext over
// QPainter, and feeds every input back through platform/ui/input.h. The model stays the truth:
// a widget never changes state on its own account without the model following.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTabBar>
#include <QTimer>
#include <QWidget>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/device_context.h"
#include "platform/ui/input.h"
#include "platform/ui/renderer.h"
#include "platform/ui/ui.h"

namespace ovtb::ui {
int IconResourceId(HICON icon);
}

namespace {

using namespace ovtb::ui;

QColor ToQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

QString Q(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}
std::string S(const QString& s) {
    return s.toLatin1().toStdString();
}

// The dialog fonts of the templates are Windows faces. Liberation Sans has Arial's metrics, so
// it stands in for the Windows sans faces when installed; otherwise fontconfig's sans face.
QFont ToQFont(const FontSpec& spec) {
    static const char* const kSansFaces[] = {"MS Sans Serif", "Microsoft Sans Serif", "Arial",
                                             "MS Shell Dlg",  "MS Shell Dlg 2",       "Tahoma"};
    QFont font;
    bool sans = false;
    for (const char* face : kSansFaces) {
        sans = sans || QString::compare(Q(spec.face), face, Qt::CaseInsensitive) == 0;
    }
    if (sans) {
        font.setFamilies({"Liberation Sans", "Arial", "Sans Serif"});
    } else {
        font.setFamilies({Q(spec.face), "Sans Serif"});
    }
    // Points at 96 dots per inch, rounded like Windows (8 points: 11 pixels).
    font.setPixelSize((spec.pointSize * 96 + 36) / 72);
    return font;
}

// A DeviceContext over a QPainter.
class PainterDC : public DeviceContext {
  public:
    explicit PainterDC(QPainter* p) : p_(p), hdc_(AttachDC(this)) {}
    ~PainterDC() override { DetachDC(hdc_); }
    HDC handle() const { return hdc_; }

    void Fill(const RECT& r, COLORREF c) override { p_->fillRect(ToRect(r), ToQColor(c)); }
    void FocusRect(const RECT& r) override {
        p_->save();
        QPen pen(ToQColor(textColor));
        pen.setStyle(Qt::DotLine);
        p_->setPen(pen);
        p_->setBrush(Qt::NoBrush);
        p_->drawRect(QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1));
        p_->restore();
    }
    void Text(std::string_view text, const RECT& r, UINT format) override {
        p_->save();
        QFont f = ToQFont(font);
        p_->setFont(f);
        int flags = 0;
        flags |= (format & DT_CENTER)  ? Qt::AlignHCenter
                 : (format & DT_RIGHT) ? Qt::AlignRight
                                       : Qt::AlignLeft;
        if (format & DT_SINGLELINE) {
            flags |= Qt::TextSingleLine;
            flags |= (format & DT_VCENTER)  ? Qt::AlignVCenter
                     : (format & DT_BOTTOM) ? Qt::AlignBottom
                                            : Qt::AlignTop;
        } else {
            flags |= Qt::AlignTop;
            if (format & DT_WORDBREAK) {
                flags |= Qt::TextWordWrap;
            }
        }
        if (!(format & DT_NOPREFIX)) {
            flags |= Qt::TextShowMnemonic;
        }
        QRect rect = ToRect(r);
        if (!(format & DT_NOCLIP)) {
            p_->setClipRect(rect);
        }
        QString s = Q(std::string(text));
        if (bkMode == OPAQUE) {
            p_->fillRect(p_->fontMetrics().boundingRect(rect, flags, s), ToQColor(bkColor));
        }
        p_->setPen(ToQColor(textColor));
        p_->drawText(rect, flags, s);
        p_->restore();
    }
    void TextAt(int x, int y, UINT options, const RECT* r, std::string_view text) override {
        p_->save();
        p_->setFont(ToQFont(font));
        if (r && (options & ETO_OPAQUE)) {
            p_->fillRect(ToRect(*r), ToQColor(bkColor));
        }
        if (r && (options & ETO_CLIPPED)) {
            p_->setClipRect(ToRect(*r));
        }
        p_->setPen(ToQColor(textColor));
        p_->drawText(x, y + p_->fontMetrics().ascent(), Q(std::string(text)));
        p_->restore();
    }
    void Icon(int x, int y, int) override {
        QIcon icon = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
        p_->drawPixmap(x, y, icon.pixmap(32, 32));
    }
    SIZE Measure(std::string_view text) override {
        QFontMetrics fm(ToQFont(font));
        return {fm.horizontalAdvance(Q(std::string(text))), fm.height()};
    }

  private:
    static QRect ToRect(const RECT& r) {
        return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    QPainter* p_;
    HDC hdc_;
};

class QtRenderer;

// A report-view list: the header drawn with the style, rows painted through WM_DRAWITEM.
class ListWidget : public QWidget {
  public:
    ListWidget(HWND h, QWidget* parent) : QWidget(parent), h_(h) {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
        bar_ = new QScrollBar(Qt::Vertical, this);
        bar_->hide();
        QObject::connect(bar_, &QScrollBar::valueChanged, [this](int) { update(); });
    }
    void Sync() {
        const Window* w = Lookup(h_);
        if (!w) {
            return;
        }
        int visible = VisibleRows(*w);
        int rows = static_cast<int>(w->rows.size());
        if (rows > visible) {
            bar_->setRange(0, rows - visible);
            bar_->setPageStep(visible);
            int sw = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
            bar_->setGeometry(width() - sw - Border(*w), Border(*w) + ListHeaderHeight(*w), sw,
                              height() - 2 * Border(*w) - ListHeaderHeight(*w));
            bar_->show();
        } else {
            bar_->setValue(0);
            bar_->hide();
        }
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        const Window* w = Lookup(h_);
        if (!w) {
            return;
        }
        QPainter p(this);
        int b = Border(*w);
        p.fillRect(rect(), ToQColor(GetSysColor(COLOR_WINDOW)));
        if (b) {
            QStyleOptionFrame frame;
            frame.initFrom(this);
            frame.rect = rect();
            frame.lineWidth = b;
            frame.state |= QStyle::State_Sunken;
            style()->drawPrimitive(QStyle::PE_Frame, &frame, &p, this);
        }
        p.setClipRect(rect().adjusted(b, b, -b, -b));
        int header = ListHeaderHeight(*w);
        if (header) {
            int x = b;
            for (const auto& c : w->columns) {
                QStyleOptionHeader opt;
                opt.initFrom(this);
                opt.rect = QRect(x, b, c.width, header);
                opt.text = Q(c.text);
                opt.textAlignment = (c.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT
                                        ? Qt::AlignRight | Qt::AlignVCenter
                                    : (c.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER
                                        ? Qt::AlignHCenter | Qt::AlignVCenter
                                        : Qt::AlignLeft | Qt::AlignVCenter;
                opt.state |= QStyle::State_Raised;
                style()->drawControl(QStyle::CE_Header, &opt, &p, this);
                x += c.width;
            }
            if (x < width() - b) {
                QStyleOptionHeader opt;
                opt.initFrom(this);
                opt.rect = QRect(x, b, width() - b - x, header);
                style()->drawControl(QStyle::CE_Header, &opt, &p, this);
            }
        }
        p.setClipRect(QRect(b, b + header, width() - 2 * b, height() - 2 * b - header));
        PainterDC dc(&p);
        dc.font = w->font;
        int top = bar_->isVisible() ? bar_->value() : 0;
        int rowHeight = ListRowHeight(*w);
        POINT origin{b, b - top * rowHeight};
        for (int row = top; Lookup(h_) && row < static_cast<int>(Lookup(h_)->rows.size()); ++row) {
            const Window* lw = Lookup(h_);
            if ((row - top) * rowHeight > height()) {
                break;
            }
            if (lw->style & LVS_OWNERDRAWFIXED) {
                input::PaintListRow(h_, row, dc.handle(), origin);
            } else {
                RECT r = ListRowRect(*lw, row);
                r = {r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y};
                bool sel = lw->rows[row].state & LVIS_SELECTED;
                dc.Fill(r, GetSysColor(sel ? COLOR_HIGHLIGHT : COLOR_WINDOW));
                dc.textColor = GetSysColor(sel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
                int x = r.left;
                for (size_t c = 0; c < lw->columns.size(); ++c) {
                    RECT cell{x + 2, r.top, x + lw->columns[c].width - 2, r.bottom};
                    if (c < lw->rows[row].texts.size()) {
                        dc.Text(lw->rows[row].texts[c], cell,
                                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
                    }
                    x += lw->columns[c].width;
                }
            }
        }
    }
    void mousePressEvent(QMouseEvent* e) override { Hit(e, false); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { Hit(e, true); }
    void keyPressEvent(QKeyEvent* e) override {
        const Window* w = Lookup(h_);
        if (!w || w->rows.empty()) {
            QWidget::keyPressEvent(e);
            return;
        }
        int sel = static_cast<int>(
            SendMessageA(h_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        int last = static_cast<int>(w->rows.size()) - 1;
        int to = -2;
        switch (e->key()) {
            case Qt::Key_Up:
                to = sel <= 0 ? 0 : sel - 1;
                break;
            case Qt::Key_Down:
                to = sel < 0 ? 0 : std::min(sel + 1, last);
                break;
            case Qt::Key_Home:
                to = 0;
                break;
            case Qt::Key_End:
                to = last;
                break;
            default:
                QWidget::keyPressEvent(e);
                return;
        }
        input::SelectListRow(h_, to);
        EnsureVisible(to);
    }
    void focusInEvent(QFocusEvent* e) override {
        if (GetFocus() != h_) {
            input::Focus(h_);
        }
        update();
        QWidget::focusInEvent(e);
    }
    void focusOutEvent(QFocusEvent* e) override {
        update();
        QWidget::focusOutEvent(e);
    }
    void resizeEvent(QResizeEvent*) override { Sync(); }

  private:
    static int Border(const Window& w) { return ListBorder(w); }
    int VisibleRows(const Window& w) const {
        int room = height() - 2 * Border(w) - ListHeaderHeight(w);
        return std::max(1, room / std::max(1, ListRowHeight(w)));
    }
    void EnsureVisible(int row) {
        const Window* w = Lookup(h_);
        if (!w || !bar_->isVisible()) {
            return;
        }
        int visible = VisibleRows(*w);
        if (row < bar_->value()) {
            bar_->setValue(row);
        } else if (row >= bar_->value() + visible) {
            bar_->setValue(row - visible + 1);
        }
    }
    void Hit(QMouseEvent* e, bool twice) {
        const Window* w = Lookup(h_);
        if (!w) {
            return;
        }
        setFocus();
        int y = static_cast<int>(e->position().y()) - Border(*w) - ListHeaderHeight(*w);
        if (y < 0) {
            return;  // the header: not sortable, nothing happens
        }
        int top = bar_->isVisible() ? bar_->value() : 0;
        int row = top + y / std::max(1, ListRowHeight(*w));
        if (row >= static_cast<int>(w->rows.size())) {
            row = -1;
        }
        if (twice) {
            input::DoubleClickListRow(h_, row);
        } else {
            input::ClickListRow(h_, row);
        }
    }
    HWND h_;
    QScrollBar* bar_;
};

// The window of a dialog, a property sheet, or (as a child) a sheet's page.
class DialogWidget : public QDialog {
  public:
    DialogWidget(HWND h, QWidget* parent) : QDialog(parent), h_(h) {}
    HWND handle() const { return h_; }

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        HWND target = ModalTarget();
        switch (e->key()) {
            case Qt::Key_Escape:
                input::Escape(target);
                return;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (focusWidget() && qobject_cast<QPushButton*>(focusWidget())) {
                    // Enter on a focused push button presses it, as on Windows.
                    static_cast<QPushButton*>(focusWidget())->click();
                    return;
                }
                input::Enter(target);
                return;
            default:
                if ((e->modifiers() & Qt::AltModifier) && e->key() == Qt::Key_Space &&
                    SystemMenu(QPoint(0, 0))) {
                    return;
                }
                if (Mnemonic(e)) {
                    return;
                }
                QDialog::keyPressEvent(e);
        }
    }

  public:
    // Alt and a letter, or the letter alone while the focus is on a button: the control whose
    // caption marks that letter is pressed; a static text's letter moves the focus to the next
    // tab stop after it.
    bool Mnemonic(QKeyEvent* e) {
        QString t = e->text();
        bool alt = e->modifiers() & Qt::AltModifier;
        if (e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z) {
            t = QChar('a' + (e->key() - Qt::Key_A));
        }
        if (t.size() != 1 || (!alt && !qobject_cast<QAbstractButton*>(focusWidget()))) {
            return false;
        }
        char letter = static_cast<char>(t.at(0).toLower().toLatin1());
        HWND dialog =
            Lookup(h_) && Lookup(h_)->kind == WindowKind::Sheet && Lookup(h_)->activePage >= 0
                ? Lookup(h_)->pages[Lookup(h_)->activePage]
                : h_;
        const Window* d = Lookup(dialog);
        if (!d) {
            return false;
        }
        for (size_t i = 0; i < d->children.size(); ++i) {
            const Window* w = Lookup(d->children[i]);
            if (!w || !w->enabled || !w->visible || MnemonicOf(w->text) != letter ||
                (w->kind == WindowKind::Static && (w->style & SS_NOPREFIX))) {
                continue;
            }
            if (w->kind == WindowKind::Button || w->kind == WindowKind::CheckBox) {
                input::Click(w->handle);
                return true;
            }
            if (w->kind == WindowKind::Static || w->kind == WindowKind::GroupBox) {
                for (size_t j = i + 1; j < d->children.size(); ++j) {
                    const Window* next = Lookup(d->children[j]);
                    if (next && (next->style & WS_TABSTOP) && next->enabled && next->visible) {
                        input::Focus(next->handle);
                        return true;
                    }
                }
            }
        }
        return false;
    }

    // The system menu of a dialog with one (Alt+Space, or a right click on the dialog): Close
    // and the items the program appended, as the window frame would show them.
    bool SystemMenu(QPoint at) {
        HWND target = ModalTarget();
        const Window* d = Lookup(target);
        if (!d || !(d->style & WS_SYSMENU)) {
            return false;
        }
        QMenu menu(this);
        menu.addAction("&Close")->setData(QVariant::fromValue<qulonglong>(SC_CLOSE));
        for (const MenuItem& item : d->systemMenu) {
            if (item.flags & MF_SEPARATOR) {
                menu.addSeparator();
                continue;
            }
            QAction* action = menu.addAction(Q(item.text));
            action->setData(QVariant::fromValue<qulonglong>(item.id));
            action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
        }
        QAction* chosen = menu.exec(mapToGlobal(at));
        if (chosen && Lookup(target)) {
            input::SysCommand(target, static_cast<UINT>(chosen->data().toULongLong()));
        }
        return true;
    }

  protected:
    void contextMenuEvent(QContextMenuEvent* e) override {
        if (!SystemMenu(e->pos())) {
            QDialog::contextMenuEvent(e);
        }
    }
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        input::Close(ModalTarget());
    }
    void reject() override {}
    void accept() override {}

  private:
    HWND ModalTarget() const {
        const Window* w = Lookup(h_);
        return w && w->kind == WindowKind::Dialog && Lookup(w->parent) &&
                       Lookup(w->parent)->kind == WindowKind::Sheet
                   ? w->parent
                   : h_;
    }
    HWND h_;
};

QString MnemonicText(const Window& w) {
    if (w.kind == WindowKind::Static && (w.style & SS_NOPREFIX)) {
        return Q(w.text).replace("&", "&&");
    }
    return Q(w.text);
}

class QtRenderer : public Renderer {
  public:
    QtRenderer() {
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "ovtb";
            static char* argv[] = {name, nullptr};
            app_ = new QApplication(argc, argv);
            QApplication::setStyle("Fusion");
            QPalette pal = QApplication::palette();
            pal.setColor(QPalette::Window, ToQColor(GetSysColor(COLOR_BTNFACE)));
            pal.setColor(QPalette::Button, ToQColor(GetSysColor(COLOR_BTNFACE)));
            pal.setColor(QPalette::Base, ToQColor(GetSysColor(COLOR_WINDOW)));
            pal.setColor(QPalette::Highlight, ToQColor(GetSysColor(COLOR_HIGHLIGHT)));
            pal.setColor(QPalette::HighlightedText, ToQColor(GetSysColor(COLOR_HIGHLIGHTTEXT)));
            pal.setColor(QPalette::WindowText, ToQColor(GetSysColor(COLOR_WINDOWTEXT)));
            pal.setColor(QPalette::ButtonText, ToQColor(GetSysColor(COLOR_BTNTEXT)));
            // The colours above went to every group; a disabled control's text is grey.
            const QColor gray = ToQColor(GetSysColor(COLOR_GRAYTEXT));
            pal.setColor(QPalette::Disabled, QPalette::WindowText, gray);
            pal.setColor(QPalette::Disabled, QPalette::ButtonText, gray);
            pal.setColor(QPalette::Disabled, QPalette::Text, gray);
            QApplication::setPalette(pal);
        }
    }

    const char* Name() const override { return "qt"; }

    SIZE BaseUnits(const FontSpec& font) override {
        QFontMetrics fm(ToQFont(font));
        int width = fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        return {(width / 26 + 1) / 2, fm.height()};
    }

    SIZE TextExtent(const FontSpec& font, std::string_view text) override {
        QFontMetrics fm(ToQFont(font));
        return {fm.horizontalAdvance(Q(std::string(text))), fm.height()};
    }

    void RunModal(HWND dialog, ScriptedUser* user) override {
        const Window* d = Lookup(dialog);
        QWidget* parent = Widget(d->owner);
        auto* window = new DialogWidget(dialog, parent ? parent->window() : nullptr);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        Build(window, dialog);
        QEventLoop loop;
        Modal modal{dialog, &loop, nullptr};
        modals_.push_back(&modal);
        window->setWindowModality(Qt::ApplicationModal);
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        if (HWND f = GetFocus(); f && DialogOf(f) == dialog) {
            if (QWidget* fw = Widget(f)) {
                fw->setFocus();
            }
        }
        QCoreApplication::processEvents();
        window->repaint();
        if (user) {
            ScheduleStep(&modal, user);
        }
        if (!Lookup(dialog) || !Lookup(dialog)->ended) {
            loop.exec();
        }
        modals_.pop_back();
        Forget(dialog);
        window->hide();
        delete window;
        if (modal.failure) {
            std::rethrow_exception(modal.failure);
        }
    }

    int RunMessageBox(const MessageBoxRequest& req, int scripted) override {
        QWidget* parent = Widget(req.owner);
        QMessageBox box(parent ? parent->window() : nullptr);
        box.setWindowTitle(Q(req.caption));
        box.setText(Q(req.text));
        FontSpec font;
        if (const Window* o = Lookup(req.owner)) {
            font = o->font;
        } else {
            font.face = "Arial";
        }
        box.setFont(ToQFont(font));
        switch (req.type & MB_ICONMASK) {
            case MB_ICONHAND:
                box.setIcon(QMessageBox::Critical);
                break;
            case MB_ICONQUESTION:
                box.setIcon(QMessageBox::Question);
                break;
            case MB_ICONEXCLAMATION:
                box.setIcon(QMessageBox::Warning);
                break;
            case MB_ICONASTERISK:
                box.setIcon(QMessageBox::Information);
                break;
            default:
                break;
        }
        std::map<QAbstractButton*, int> ids;
        int defId = MessageBoxDefault(req.type);
        std::vector<int> buttons = MessageBoxButtons(req.type);
        for (int id : buttons) {
            QPushButton* b = box.addButton(ButtonText(id), id == IDCANCEL || id == IDNO
                                                               ? QMessageBox::RejectRole
                                                               : QMessageBox::AcceptRole);
            ids[b] = id;
            if (id == defId) {
                box.setDefaultButton(b);
            }
            // Escape answers Cancel, or OK in a box with only OK.
            if (id == IDCANCEL || (buttons.size() == 1)) {
                box.setEscapeButton(b);
            }
        }
        if (scripted) {
            QTimer::singleShot(0, &box, [&box, &ids, scripted] {
                for (auto& [b, id] : ids) {
                    if (id == scripted) {
                        b->click();
                        return;
                    }
                }
                box.done(0);
            });
        }
        box.exec();
        auto it = ids.find(box.clickedButton());
        if (it != ids.end()) {
            return it->second;
        }
        if (scripted) {
            return scripted;
        }
        return std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end() ? IDCANCEL
                                                                                    : buttons[0];
    }

    void Changed(HWND h, Change what) override {
        const Window* w = Lookup(h);
        if (!w) {
            return;
        }
        if (what == Change::Created && w->kind == WindowKind::Sheet) {
            SyncPages(h);
            return;
        }
        if ((w->kind == WindowKind::Dialog || w->kind == WindowKind::Sheet) && w->ended) {
            for (Modal* m : modals_) {
                if (m->dialog == h) {
                    m->loop->quit();
                }
            }
        }
        QWidget* widget = Widget(h);
        if (!widget) {
            return;
        }
        Sync(widget, *w, what);
    }

    void Destroying(HWND h) override { Forget(h); }

    bool Screenshot(HWND dialog, const std::string& path, std::string* error) override {
        QWidget* widget = Widget(DialogOf(dialog) ? DialogOf(dialog) : dialog);
        if (auto* sheetPage = Lookup(dialog);
            sheetPage && Lookup(sheetPage->parent) &&
            Lookup(sheetPage->parent)->kind == WindowKind::Sheet) {
            widget = Widget(sheetPage->parent);
        }
        if (!widget) {
            if (error) {
                *error = "the dialog is not on screen";
            }
            return false;
        }
        widget = widget->window();
        QCoreApplication::processEvents();
        QPixmap content = widget->grab();
        // A plain caption bar above the client area, as the window frame would show it.
        const Window* w = Lookup(dialog);
        QFont captionFont = ToQFont(w ? w->font : FontSpec{});
        captionFont.setBold(true);
        int bar = QFontMetrics(captionFont).height() + 6;
        QImage image(content.width() + 6, content.height() + bar + 6, QImage::Format_RGB32);
        image.fill(ToQColor(GetSysColor(COLOR_BTNFACE)));
        QPainter p(&image);
        p.setPen(ToQColor(GetSysColor(COLOR_BTNSHADOW)));
        p.drawRect(0, 0, image.width() - 1, image.height() - 1);
        p.fillRect(3, 3, content.width(), bar - 1, ToQColor(GetSysColor(COLOR_ACTIVECAPTION)));
        p.setPen(ToQColor(GetSysColor(COLOR_CAPTIONTEXT)));
        p.setFont(captionFont);
        p.drawText(QRect(8, 3, content.width() - 8, bar - 1), Qt::AlignVCenter | Qt::AlignLeft,
                   widget->windowTitle());
        p.drawPixmap(3, 3 + bar, content);
        p.end();
        if (!image.save(Q(path), "PNG")) {
            if (error) {
                *error = "cannot write " + path;
            }
            return false;
        }
        return true;
    }

  private:
    struct Modal {
        HWND dialog;
        QEventLoop* loop;
        std::exception_ptr failure;
    };

    static QString ButtonText(int id) {
        switch (id) {
            case IDOK:
                return "OK";
            case IDCANCEL:
                return "Cancel";
            case IDABORT:
                return "&Abort";
            case IDRETRY:
                return "&Retry";
            case IDIGNORE:
                return "&Ignore";
            case IDYES:
                return "&Yes";
            case IDNO:
                return "&No";
            default:
                return "?";
        }
    }

    void ScheduleStep(Modal* modal, ScriptedUser* user) {
        QTimer::singleShot(0, modal->loop, [this, modal, user] {
            const Window* d = Lookup(modal->dialog);
            if (!d || d->ended) {
                modal->loop->quit();
                return;
            }
            try {
                user->Step(modal->dialog);
                input::DeliverPosted();
            } catch (...) {
                // Exceptions must not cross Qt's event loop: end this loop and rethrow after it.
                modal->failure = std::current_exception();
                modal->loop->quit();
                return;
            }
            d = Lookup(modal->dialog);
            if (!d || d->ended) {
                modal->loop->quit();
                return;
            }
            ScheduleStep(modal, user);
        });
    }

    QWidget* Widget(HWND h) const {
        auto it = widgets_.find(h);
        return it == widgets_.end() ? nullptr : it->second;
    }

    void Forget(HWND h) {
        const Window* w = Lookup(h);
        if (w) {
            for (HWND c : w->children) {
                Forget(c);
            }
            for (HWND p : w->pages) {
                Forget(p);
            }
        }
        widgets_.erase(h);
    }

    void Build(QWidget* window, HWND dialog) {
        const Window* d = Lookup(dialog);
        widgets_[dialog] = window;
        window->setWindowTitle(Q(d->text));
        window->setFont(ToQFont(d->font));
        window->setFixedSize(d->rect.right - d->rect.left, d->rect.bottom - d->rect.top);
        if (d->kind == WindowKind::Sheet) {
            auto* tabs = new QTabBar(window);
            tabs->setFocusPolicy(Qt::TabFocus);
            tabs->setGeometry((7 * d->baseUnits.cx + 2) / 4, (7 * d->baseUnits.cy + 4) / 8 - 2,
                              d->rect.right - 2 * ((7 * d->baseUnits.cx + 2) / 4),
                              d->baseUnits.cy + 8);
            sheetTabs_[dialog] = tabs;
            QObject::connect(tabs, &QTabBar::tabBarClicked, [this, dialog](int index) {
                SendMessageA(dialog, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
                SyncPages(dialog);
            });
        }
        QWidget* previousTab = nullptr;
        QLabel* pendingBuddy = nullptr;
        for (HWND c : d->children) {
            const Window* w = Lookup(c);
            if (!w || w->kind == WindowKind::Dialog) {
                continue;
            }
            QWidget* widget = Create(window, c, *w);
            if (!widget) {
                continue;
            }
            widgets_[c] = widget;
            if (auto* label = qobject_cast<QLabel*>(widget); label && MnemonicOf(w->text)) {
                pendingBuddy = label;
            }
            bool tabStop = (w->style & WS_TABSTOP) != 0;
            if (tabStop) {
                if (pendingBuddy) {
                    pendingBuddy->setBuddy(widget);
                    pendingBuddy = nullptr;
                }
                if (previousTab) {
                    QWidget::setTabOrder(previousTab, widget);
                }
                previousTab = widget;
            } else if (w->kind != WindowKind::Static && w->kind != WindowKind::GroupBox &&
                       w->kind != WindowKind::Icon) {
                widget->setFocusPolicy(Qt::ClickFocus);
            }
            Sync(widget, *w, Change::State);
            Sync(widget, *w, Change::Items);
        }
        if (d->kind == WindowKind::Sheet) {
            SyncPages(dialog);
        }
    }

    void SyncPages(HWND sheet) {
        const Window* s = Lookup(sheet);
        QWidget* window = Widget(sheet);
        auto tabsIt = sheetTabs_.find(sheet);
        if (!s || !window || tabsIt == sheetTabs_.end()) {
            return;
        }
        QTabBar* tabs = tabsIt->second;
        while (tabs->count() < static_cast<int>(s->pages.size())) {
            tabs->addTab(QString());
        }
        for (size_t i = 0; i < s->pages.size(); ++i) {
            HWND page = s->pages[i];
            const Window* p = Lookup(page);
            if (!p) {
                continue;
            }
            tabs->setTabText(static_cast<int>(i), Q(StripMnemonic(p->text)));
            QWidget* pw = Widget(page);
            if (!pw) {
                pw = new QWidget(window);
                pw->setGeometry(p->rect.left, p->rect.top, p->rect.right - p->rect.left,
                                p->rect.bottom - p->rect.top);
                widgets_[page] = pw;
                QWidget* previousTab = nullptr;
                for (HWND c : p->children) {
                    const Window* w = Lookup(c);
                    QWidget* cw = w ? Create(pw, c, *w) : nullptr;
                    if (!cw) {
                        continue;
                    }
                    widgets_[c] = cw;
                    if (w->style & WS_TABSTOP) {
                        if (previousTab) {
                            QWidget::setTabOrder(previousTab, cw);
                        }
                        previousTab = cw;
                    }
                    Sync(cw, *w, Change::State);
                    Sync(cw, *w, Change::Items);
                }
            }
            pw->setVisible(static_cast<int>(i) == s->activePage);
        }
        if (s->activePage >= 0) {
            tabs->setCurrentIndex(s->activePage);
        }
    }

    QWidget* Create(QWidget* parent, HWND h, const Window& w) {
        QRect r(w.rect.left, w.rect.top, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top);
        QWidget* widget = nullptr;
        switch (w.kind) {
            case WindowKind::Static: {
                auto* label = new QLabel(MnemonicText(w), parent);
                label->setAlignment((w.style & 0xF) == SS_CENTER  ? Qt::AlignHCenter | Qt::AlignTop
                                    : (w.style & 0xF) == SS_RIGHT ? Qt::AlignRight | Qt::AlignTop
                                                                  : Qt::AlignLeft | Qt::AlignTop);
                label->setWordWrap(true);
                widget = label;
                break;
            }
            case WindowKind::GroupBox: {
                auto* group = new QGroupBox(Q(w.text), parent);
                group->setFocusPolicy(Qt::NoFocus);
                widget = group;
                group->lower();
                break;
            }
            case WindowKind::Button: {
                auto* b = new QPushButton(Q(w.text), parent);
                b->setAutoDefault(false);
                QObject::connect(b, &QPushButton::clicked, [h] { input::Click(h); });
                widget = b;
                break;
            }
            case WindowKind::CheckBox: {
                auto* b = new QCheckBox(Q(w.text), parent);
                // The model toggles; the widget follows it.
                QObject::connect(b, &QCheckBox::clicked, [h] { input::Click(h); });
                widget = b;
                break;
            }
            case WindowKind::ComboBox: {
                auto* combo = new QComboBox(parent);
                combo->setMaxVisibleItems(
                    std::max(1, (r.height() / combo->fontMetrics().height())));
                QObject::connect(combo, &QComboBox::activated,
                                 [h](int row) { input::SelectComboRow(h, row); });
                // The template's height is the dropped-down list's; the closed box is one line.
                r.setHeight(std::min(r.height(), combo->sizeHint().height()));
                widget = combo;
                break;
            }
            case WindowKind::Edit: {
                auto* edit = new QLineEdit(parent);
                edit->setFrame((w.style & WS_BORDER) != 0);
                QObject::connect(edit, &QLineEdit::textEdited,
                                 [h](const QString& text) { input::TypeText(h, S(text)); });
                widget = edit;
                break;
            }
            case WindowKind::ListView:
                widget = new ListWidget(h, parent);
                break;
            case WindowKind::Icon: {
                auto* label = new QLabel(parent);
                label->setPixmap(
                    QApplication::style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
                widget = label;
                break;
            }
            default:
                return nullptr;
        }
        widget->setGeometry(r);
        widget->installEventFilter(&focusFilter_);
        focusFilter_.handles[widget] = h;
        QObject::connect(widget, &QObject::destroyed,
                         [this, widget] { focusFilter_.handles.erase(widget); });
        return widget;
    }

    void Sync(QWidget* widget, const Window& w, Change what) {
        switch (what) {
            case Change::Text:
                if (auto* dlg = qobject_cast<QDialog*>(widget)) {
                    dlg->setWindowTitle(Q(w.text));
                } else if (auto* label = qobject_cast<QLabel*>(widget)) {
                    label->setText(MnemonicText(w));
                } else if (auto* b = qobject_cast<QAbstractButton*>(widget)) {
                    b->setText(Q(w.text));
                } else if (auto* g = qobject_cast<QGroupBox*>(widget)) {
                    g->setTitle(Q(w.text));
                } else if (auto* e = qobject_cast<QLineEdit*>(widget)) {
                    if (S(e->text()) != w.text) {
                        e->setText(Q(w.text));
                    }
                }
                break;
            case Change::State:
                if (w.kind != WindowKind::Dialog && w.kind != WindowKind::Sheet) {
                    widget->setEnabled(w.enabled);
                    widget->setVisible(w.visible);
                }
                if (auto* c = qobject_cast<QCheckBox*>(widget)) {
                    c->setCheckState(w.check == BST_CHECKED         ? Qt::Checked
                                     : w.check == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                                    : Qt::Unchecked);
                }
                if (auto* b = qobject_cast<QPushButton*>(widget)) {
                    b->setDefault(w.isDefault);
                }
                if (auto* e = qobject_cast<QLineEdit*>(widget)) {
                    e->setMaxLength(static_cast<int>(std::min<size_t>(w.limit, 32767)));
                    if (S(e->text()) != w.text) {
                        e->setText(Q(w.text));
                    }
                }
                if (GetFocus() == w.handle && !widget->hasFocus() && widget->isVisible()) {
                    widget->setFocus();
                }
                if (auto* list = dynamic_cast<ListWidget*>(widget)) {
                    list->update();
                }
                break;
            case Change::Items:
                if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                    QSignalBlocker block(combo);
                    bool same = combo->count() == static_cast<int>(w.items.size());
                    for (int i = 0; same && i < combo->count(); ++i) {
                        same = S(combo->itemText(i)) == w.items[i].text;
                    }
                    if (!same) {
                        combo->clear();
                        for (const auto& item : w.items) {
                            combo->addItem(Q(item.text));
                        }
                    }
                    combo->setCurrentIndex(w.curSel);
                }
                break;
            case Change::Columns:
            case Change::Rows:
                if (auto* list = dynamic_cast<ListWidget*>(widget)) {
                    list->Sync();
                }
                break;
            case Change::Created:
                break;
        }
    }

    // Keeps the model's focus where the person put it (Tab, a click).
    struct FocusFilter : QObject {
        std::map<QObject*, HWND> handles;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Shortcut && qobject_cast<QAbstractButton*>(o)) {
                // A button's mnemonic clicks it at once (Qt would animate the click later).
                auto it = handles.find(o);
                if (it != handles.end()) {
                    input::Click(it->second);
                    return true;
                }
            }
            if (e->type() == QEvent::KeyPress) {
                // Alt and a letter reaches the dialog whatever control has the focus (a combo
                // box would take the letter for its own search).
                auto* key = static_cast<QKeyEvent*>(e);
                auto* widget = qobject_cast<QWidget*>(o);
                auto* dialog = widget ? dynamic_cast<DialogWidget*>(widget->window()) : nullptr;
                if (dialog && (key->modifiers() & Qt::AltModifier) && key->key() == Qt::Key_Space &&
                    dialog->SystemMenu(QPoint(0, 0))) {
                    return true;
                }
                if (dialog && (key->modifiers() & Qt::AltModifier) && dialog->Mnemonic(key)) {
                    return true;
                }
            }
            if (e->type() == QEvent::FocusIn) {
                auto it = handles.find(o);
                if (it != handles.end() && GetFocus() != it->second) {
                    input::Focus(it->second);
                }
            }
            return false;
        }
    };

    QApplication* app_ = nullptr;
    std::map<HWND, QWidget*> widgets_;
    std::map<HWND, QTabBar*> sheetTabs_;
    std::vector<Modal*> modals_;
    FocusFilter focusFilter_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) ovtb::ui::Renderer* ovtb_ui_create_renderer(
    int abiVersion) {
    if (abiVersion != ovtb::ui::kRendererAbiVersion) {
        return nullptr;
    }
    return new QtRenderer();
}
