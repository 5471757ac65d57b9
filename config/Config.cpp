// Configuration holder.
