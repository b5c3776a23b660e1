-- Neovim's own LSP client attaches `linebrowse --lsp` to a page and writes
-- the diagnostics it got, one a line: LINE CODE MESSAGE (lines from 1).
local page = os.getenv("PAGE")
vim.cmd("edit " .. vim.fn.fnameescape(page))
local buffer = vim.api.nvim_get_current_buf()
local client = vim.lsp.start_client({
  name = "linebrowse",
  cmd = { os.getenv("LINEBROWSE"), "--lsp" },
  root_dir = vim.fn.fnamemodify(page, ":h"),
})
vim.lsp.buf_attach_client(buffer, client)
-- The page's own problems come at once, its failing link once checked.
vim.wait(10000, function()
  for _, found in ipairs(vim.diagnostic.get(buffer)) do
    if found.code == "link-failed" then return true end
  end
  return false
end, 20)
local lines = {}
for _, found in ipairs(vim.diagnostic.get(buffer)) do
  table.insert(lines, string.format("%d %s %s", found.lnum + 1, found.code or "-", found.message))
end
table.sort(lines)
vim.fn.writefile(lines, os.getenv("OUT"))
vim.cmd("qall!")
