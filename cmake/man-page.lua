-- Turns docs/halvex-host.md into a manual page: its title heading becomes NAME with the line that
-- whatis and apropos show, its first code block (the command forms) SYNOPSIS, the rest of its
-- opening DESCRIPTION, and each of its sections one of the page, headed in capitals.
local summary = "list a server's USB devices and check its hubs for over-current"

local function sections(doc)
  local synopsis, description, rest = pandoc.List(), pandoc.List(), pandoc.List()
  for i = 2, #doc.blocks do
    local block = doc.blocks[i]
    if block.t == "Header" then
      block.level = block.level - 1
      rest:insert(block)
    elseif #rest > 0 then
      rest:insert(block)
    elseif block.t == "CodeBlock" and #synopsis == 0 then
      synopsis:insert(block)
    else
      description:insert(block)
    end
  end
  local page = pandoc.read("# Name\n\nhalvex-host - " .. summary .. "\n\n# Synopsis\n").blocks
  page:extend(synopsis)
  page:insert(pandoc.Header(1, "Description"))
  page:extend(description)
  page:extend(rest)
  return pandoc.Pandoc(page, doc.meta)
end

local function capitals(header)
  if header.level == 1 then
    header.content = {pandoc.Str(pandoc.text.upper(pandoc.utils.stringify(header.content)))}
  end
  return header
end

-- A table as tagged paragraphs, which man fits to any width: each row's first cell the tag,
-- its second the paragraph, any further one a paragraph that starts with its column's heading.
local function tagged_paragraphs(grid)
  local headings = grid.head.rows[1].cells
  local items = pandoc.List()
  for _, body in ipairs(grid.bodies) do
    for _, row in ipairs(body.body) do
      local paragraphs = pandoc.List(row.cells[2].contents)
      for column = 3, #row.cells do
        local heading = pandoc.utils.stringify(headings[column].contents)
        local text = pandoc.utils.blocks_to_inlines(row.cells[column].contents)
        paragraphs:insert(pandoc.Para(pandoc.List({pandoc.Str(heading .. ":"), pandoc.Space()}) .. text))
      end
      items:insert({pandoc.utils.blocks_to_inlines(row.cells[1].contents), {paragraphs}})
    end
  end
  return pandoc.DefinitionList(items)
end

return {{Pandoc = sections}, {Header = capitals, Table = tagged_paragraphs}}
