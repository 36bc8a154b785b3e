// SPDX-License-Identifier: BSD-3-Clause
#include "framework/Document.h"
#include "framework/SplitPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(), [](char a, char b) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        return lower(a) == lower(b);
    });
}

// strerror() is not thread-safe; the generic category's message is.
std::string ErrnoText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

#ifndef _WIN32
// Empty when `path` is a regular file that can be opened for reading, else
// why not. The open never blocks: a FIFO would otherwise wait for a writer.
std::string CheckReadableFile(const char* path) {
    // Devices are not even opened (opening one may have effects); the check
    // after the open catches a file swapped in meanwhile.
    struct stat named {};
    if (::stat(path, &named) == 0 && !S_ISREG(named.st_mode) && !S_ISDIR(named.st_mode)) {
        return "not a regular file";
    }
    int fd = -1;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return ErrnoText(errno != 0 ? errno : EACCES);
    }
    struct stat info {};
    const int statResult = ::fstat(fd, &info);
    const int statError = errno;
    ::close(fd);
    if (statResult != 0) {
        return ErrnoText(statError);
    }
    if (S_ISDIR(info.st_mode)) {
        return ErrnoText(EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        return "not a regular file";
    }
    return {};
}
#else
std::string CheckReadableFile(const char* path) {
    // A folder opens for reading on some systems, but it is never a document.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return ErrnoText(EISDIR);
    }
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
        return "not a regular file";
    }
    errno = 0;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return ErrnoText(errno != 0 ? errno : EACCES);
    }
    std::fclose(file);
    return {};
}
#endif

} // namespace

CDocument::~CDocument() {
    // Views may outlive the document (a frame tears down after it); they must
    // not call back into it.
    for (CView* view : m_views) {
        view->m_pDocument = nullptr;
    }
}

int CDocument::OnNewDocument() {
    m_strOpenError.clear();
    return 1;
}

int CDocument::OnOpenDocument(const char* path) {
    m_strOpenError.clear();
    if (path == nullptr || *path == '\0') {
        m_strOpenError = ErrnoText(ENOENT);
        return 0;
    }
    m_strOpenError = CheckReadableFile(path);
    return m_strOpenError.empty() ? 1 : 0;
}

void CDocument::SetTitle(const std::string& title) {
    m_strTitle = title;
    // A view may detach itself while being told; walk a copy.
    const std::vector<CView*> views = m_views;
    for (CView* view : views) {
        view->OnTitleChanged();
    }
}

void CDocument::SetPathName(const std::string& path) {
    m_strPathName = path;
    SetTitle(FileTitleFromPath(path));
}

void CDocument::AddView(CView* view) {
    if (view == nullptr || view->m_pDocument == this) {
        return;
    }
    if (view->m_pDocument != nullptr) {
        view->m_pDocument->RemoveView(view);
    }
    m_views.push_back(view);
    view->m_pDocument = this;
    OnViewAdded(view);
}

void CDocument::RemoveView(CView* view) {
    const auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end()) {
        return;
    }
    m_views.erase(it);
    view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, long hint, void* object) {
    const std::vector<CView*> views = m_views;
    for (CView* view : views) {
        if (view != sender) {
            view->OnUpdate(sender, hint, object);
        }
    }
}

CView::~CView() {
    if (m_pDocument != nullptr) {
        m_pDocument->RemoveView(this);
    }
}

void CView::SetDocument(CDocument* document) {
    if (document != nullptr) {
        document->AddView(this);
    } else if (m_pDocument != nullptr) {
        m_pDocument->RemoveView(this);
    }
}

void CView::OnUpdate(CView* /*sender*/, long /*hint*/, void* /*object*/) {
    RepaintNow();
}

std::string FileTitleFromPath(const std::string& path) {
    std::size_t start = path.size();
    while (start > 0 && !IsPathSeparator(path[start - 1])) {
        --start;
    }
    std::string name = path.substr(start);
    constexpr std::string_view kExtension = ".vrn";
    // A bare ".vrn" keeps its name: there would be nothing left to show.
    if (name.size() > kExtension.size() && EndsWithNoCase(name, kExtension)) {
        name.resize(name.size() - kExtension.size());
    }
    return name;
}
